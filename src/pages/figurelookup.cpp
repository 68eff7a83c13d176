#include "figurelookup.h"

#include "store/figurecontracts.h"

#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>

namespace pages {

void FigureLookup::watchFigures(QWidget *page)
{
    for (QLineEdit *edit : page->findChildren<QLineEdit *>()) {
        if (store::figureOfControl(edit->objectName())) {
            edit->installEventFilter(this);
            edit->setToolTip(QStringLiteral("Dwukrotne kliknięcie pokazuje umowy składające się na tę pozycję."));
        }
    }
}

QString FigureLookup::actionText()
{
    return QStringLiteral("Pokaż umowy");
}

bool FigureLookup::eventFilter(QObject *watched, QEvent *event)
{
    auto *edit = qobject_cast<QLineEdit *>(watched);
    if (!edit)
        return false;
    if (event->type() == QEvent::MouseButtonDblClick) {
        emit contractsRequested(edit->objectName());
        return true;
    }
    if (event->type() == QEvent::ContextMenu) {
        QMenu *menu = edit->createStandardContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->addSeparator();
        const QString control = edit->objectName();
        connect(menu->addAction(actionText()), &QAction::triggered, this,
                [this, control] { emit contractsRequested(control); });
        menu->popup(static_cast<QContextMenuEvent *>(event)->globalPos());
        return true;
    }
    return false;
}

} // namespace pages
