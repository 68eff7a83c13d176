#include "capitalsourcedialog.h"

#include "numericedit.h"
#include "pagelayout.h"
#include "store/pagemodel.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace pages {

CapitalSourceDialog::CapitalSourceDialog(bool editing, const QString &name, db::Money amount, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("CapitalSourceDialog"));
    setWindowTitle(editing ? QStringLiteral("Edycja źródła") : QStringLiteral("Dodawanie źródła"));
    setFixedSize(410, 244);

    m_name = new QLineEdit(name);
    m_name->setObjectName(QStringLiteral("Nazwa"));
    m_name->setFixedWidth(249);
    m_name->setMaxLength(100); // DANE_KAP.NAZWA
    m_amount = new NumericEdit(store::FieldKind::Decimal);
    m_amount->setObjectName(QStringLiteral("Kwota"));
    m_amount->setFixedWidth(129);
    store::NumericValue shown(store::FieldKind::Decimal, 2);
    shown.setMoney(amount);
    m_amount->setNumberText(shown.text());

    auto *save = new QPushButton(QStringLiteral("Zapisz"));
    save->setObjectName(QStringLiteral("Zapisz"));
    save->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Anuluj"));
    cancel->setObjectName(QStringLiteral("Anuluj"));
    connect(save, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(40, 24, 40, 24);
    QLabel *nameLabel = captionLabel(QStringLiteral("Nazwa źródła"));
    nameLabel->setBuddy(m_name);
    column->addWidget(nameLabel);
    column->addWidget(m_name);
    column->addSpacing(8);
    QLabel *amountLabel = captionLabel(QStringLiteral("Kwota źrodła"));
    amountLabel->setBuddy(m_amount);
    column->addWidget(amountLabel);
    column->addWidget(m_amount);
    column->addStretch(1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(save);
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    column->addLayout(buttons);
}

QString CapitalSourceDialog::name() const
{
    return m_name->text();
}

db::Money CapitalSourceDialog::amount() const
{
    return m_amount->value().toMoney();
}

void CapitalSourceDialog::showEvent(QShowEvent *event)
{
    // Centred on the screen rather than over the window.
    const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    QRect frame = frameGeometry();
    frame.moveCenter(s->availableGeometry().center());
    move(frame.topLeft());
    QDialog::showEvent(event);
}

} // namespace pages
