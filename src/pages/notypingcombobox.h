#pragma once

#include <QComboBox>

namespace pages {

// A combo box whose value is only ever chosen from its list. Qt's non-editable combo
// box jumps to the item that starts with a typed letter; here typed characters
// change nothing, in the box and in its open list, while the mouse, the arrow keys,
// F4, Alt+Down and Enter choose as usual.
class NoTypingComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit NoTypingComboBox(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace pages
