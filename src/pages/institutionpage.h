#pragma once

#include <QWidget>

class Messages;
class QLineEdit;

namespace store {
class PageModel;
}

namespace pages {

class FieldBinding;

// The institution block of the page "Dane Funduszu": the data of the institution
// that runs the fund, each control with its caption beside it. The period frame
// of the page stands to the right of it and is not part of this widget.
class InstitutionPage : public QWidget
{
    Q_OBJECT

public:
    InstitutionPage(store::PageModel &model, Messages &messages, QWidget *parent = nullptr);

    // The NIP check run when the focus leaves e_nip_inst: empty passes, otherwise
    // ten decimal digits; a warning puts the focus back with the text kept.
    void e_nip_instExit();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Messages &m_messages;
    FieldBinding *m_binding;
    QLineEdit *e_nip_inst = nullptr;
};

} // namespace pages
