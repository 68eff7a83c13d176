#include "notypingcombobox.h"

#include <QAbstractItemView>
#include <QInputMethodEvent>
#include <QKeyEvent>

namespace pages {

namespace {

// A key that types a character: the keyboard search would act on it. Space stays
// with the box, where it opens the list.
bool typesCharacter(const QKeyEvent *event)
{
    const QString text = event->text();
    return !text.isEmpty() && text.at(0).isPrint() && text != QStringLiteral(" ");
}

} // namespace

NoTypingComboBox::NoTypingComboBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(false);
    view()->installEventFilter(this);
}

void NoTypingComboBox::keyPressEvent(QKeyEvent *event)
{
    if (!typesCharacter(event)) {
        QComboBox::keyPressEvent(event);
        return;
    }
    // With Ctrl or Alt the key may be a shortcut of the window: let it travel on.
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        event->ignore();
    else
        event->accept();
}

void NoTypingComboBox::inputMethodEvent(QInputMethodEvent *event)
{
    // Composed characters (dead keys, input methods) would be searched too.
    event->accept();
}

bool NoTypingComboBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == view() && event->type() == QEvent::KeyPress && typesCharacter(static_cast<QKeyEvent *>(event)))
        return true;
    return QComboBox::eventFilter(watched, event);
}

} // namespace pages
