#include "institutionpage.h"

#include "common/messages.h"
#include "fieldbinding.h"
#include "numericedit.h"
#include "pagelayout.h"
#include "store/fields.h"
#include "store/pagemodel.h"

#include <QFocusEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace pages {

namespace {

// Width of a control in average characters of its font: the longest fields get the
// width of the name, the short ones are kept to what they may hold.
int widthInCharacters(const store::FieldSpec &spec)
{
    if (spec.kind == store::FieldKind::Date)
        return 14;
    if (spec.choices != store::Choices::None)
        return 22;
    if (spec.control == "e_nip_inst")
        return 16;
    return spec.maxLength >= 100 ? 70 : 40;
}

} // namespace

InstitutionPage::InstitutionPage(store::PageModel &model, Messages &messages, QWidget *parent)
    : QWidget(parent), m_messages(messages), m_binding(new FieldBinding(model, this))
{
    auto *grid = new QGridLayout(this);
    grid->setColumnStretch(1, 1);
    grid->setHorizontalSpacing(12);
    QList<QWidget *> tabOrder;
    int row = 0;
    for (const store::FieldSpec &spec : store::InstitutionFields) {
        QWidget *control = makeControl(spec, *m_binding);
        // A field gets the width it may need where there is room, and gives way
        // down to a readable minimum on a small screen rather than push the page
        // under the period frame.
        const int chars = widthInCharacters(spec);
        const int charWidth = control->fontMetrics().averageCharWidth();
        control->setMaximumWidth(charWidth * chars + 12);
        control->setMinimumWidth(charWidth * std::min(chars, 22) + 12);
        QLabel *caption = captionLabel(spec.caption);
        caption->setBuddy(control);
        grid->addWidget(caption, row, 0);
        grid->addWidget(control, row, 1);
        tabOrder << control;
        ++row;
    }
    grid->setRowStretch(row, 1);
    chainTabOrder(tabOrder);

    e_nip_inst = findChild<QLineEdit *>(QStringLiteral("e_nip_inst"));
    e_nip_inst->installEventFilter(this);
}

bool InstitutionPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == e_nip_inst && event->type() == QEvent::FocusOut
        && isLeaving(static_cast<QFocusEvent *>(event)->reason()))
        e_nip_instExit();
    return QWidget::eventFilter(watched, event);
}

void InstitutionPage::e_nip_instExit()
{
    const QString nip = e_nip_inst->text();
    if (nip.isEmpty())
        return;
    QString problem;
    if (nip.size() != 10) {
        problem = QStringLiteral("Błędnie wprowadzony NIP. NIP musi składać się z dziesieciu cyfr.");
    } else {
        for (QChar c : nip) {
            if (c < u'0' || c > u'9') {
                problem = QStringLiteral("Błędnie wprowadzony NIP. NIP musi składać się z samych cyfr.");
                break;
            }
        }
    }
    if (problem.isEmpty())
        return;
    m_messages.showWarning(problem, QStringLiteral("Błąd!"));
    e_nip_inst->setFocus(Qt::OtherFocusReason);
}

} // namespace pages
