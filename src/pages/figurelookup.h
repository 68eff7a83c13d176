#pragma once

#include <QObject>

class QLineEdit;

namespace pages {

// Lets the user ask which contracts make a figure: a double-click on a count or
// value field, or "Pokaż umowy" in its context menu, asks for the field's list.
class FigureLookup : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Watches every count and value field of a figure among `page`'s children.
    void watchFigures(QWidget *page);

    static QString actionText();

signals:
    // The field named `control` asks for its contracts.
    void contractsRequested(const QString &control);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace pages
