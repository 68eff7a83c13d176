#include "findingsdialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

FindingsDialog::FindingsDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("KontrolaDanych"));
    setWindowTitle(QStringLiteral("Kontrola danych"));
    auto *layout = new QVBoxLayout(this);
    m_summary = new QLabel;
    layout->addWidget(m_summary);
    m_list = new QTreeWidget;
    m_list->setObjectName(QStringLiteral("lv_kontrola"));
    m_list->setRootIsDecorated(false);
    m_list->setWordWrap(true);
    m_list->setHeaderLabels({QStringLiteral("Poziom"), QStringLiteral("Strona"), QStringLiteral("Pole"),
                             QStringLiteral("Wartości"), QStringLiteral("Wyjaśnienie")});
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(m_list, 1);
    layout->addWidget(new QLabel(QStringLiteral("Dwukrotne kliknięcie pokazuje pole na jego stronie.")));
    auto *buttons = new QDialogButtonBox;
    buttons->addButton(QStringLiteral("Zamknij"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    connect(m_list, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *item) {
        const int row = m_list->indexOfTopLevelItem(item);
        if (row >= 0 && row < m_findings.size())
            emit findingActivated(m_findings[row]);
    });
    resize(1100, 420);
}

void FindingsDialog::setFindings(const QList<check::Finding> &findings)
{
    m_findings = findings;
    m_summary->setText(check::summaryText(findings));
    m_list->clear();
    for (const check::Finding &f : findings) {
        auto *item = new QTreeWidgetItem(m_list, {check::levelText(f.level), f.page, f.field, f.values, f.explanation});
        if (f.level == check::Level::Error)
            item->setForeground(0, QColor(Qt::red));
    }
}
