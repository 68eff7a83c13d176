#include "aboutbox.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QUrl>

namespace {

// A label that looks like a link and opens its address on a double-click.
class LinkLabel : public QLabel
{
public:
    LinkLabel(const QString &text, const QString &address, QWidget *parent = nullptr)
        : QLabel(text, parent), m_address(address)
    {
        setStyleSheet(QStringLiteral("color: blue;%1")
                          .arg(address.isEmpty() ? QString() : QStringLiteral(" text-decoration: underline;")));
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override
    {
        if (!m_address.isEmpty())
            QDesktopServices::openUrl(QUrl(m_address));
        QLabel::mouseDoubleClickEvent(event);
    }

private:
    QString m_address;
};

} // namespace

AboutBox::AboutBox(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("To_prog"));
    setWindowTitle(QStringLiteral("O programie"));
    setModal(false);
    resize(548, 329);
    auto *grid = new QGridLayout(this);
    auto *product = new QLabel(QStringLiteral("Tervala – sprawozdawczość funduszu pożyczkowego, wytwórca: Tervala"));
    QFont bold = product->font();
    bold.setBold(true);
    product->setFont(bold);
    grid->addWidget(product, 0, 0);
    auto *mail = new LinkLabel(QStringLiteral("biuro@tervala.pl"), QString());
    mail->setObjectName(QStringLiteral("Label6"));
    grid->addWidget(mail, 0, 1, Qt::AlignRight);
    grid->addWidget(new QLabel(QStringLiteral("Tervala Systemy Informatyczne Sp. z o.o.")), 1, 0);
    auto *site = new LinkLabel(QStringLiteral("www.tervala.pl"), QStringLiteral("https://www.tervala.pl"));
    site->setObjectName(QStringLiteral("Label5"));
    grid->addWidget(site, 1, 1, Qt::AlignRight);
    grid->addWidget(new QLabel(QStringLiteral("Pomoc zdalna")), 2, 0);
    auto *help = new LinkLabel(QStringLiteral("www.tervala.pl/pomoc-zdalna"),
                               QStringLiteral("https://www.tervala.pl/pomoc-zdalna"));
    help->setObjectName(QStringLiteral("Label4"));
    grid->addWidget(help, 2, 1, Qt::AlignRight);
    M_prog = new QPlainTextEdit;
    M_prog->setObjectName(QStringLiteral("M_prog"));
    M_prog->setReadOnly(true);
    grid->addWidget(M_prog, 3, 0, 1, 2);
    grid->setRowStretch(3, 1);
}

void AboutBox::showWith(const QStringList &lines)
{
    show();
    raise();
    M_prog->clear();
    for (const QString &line : lines)
        M_prog->appendPlainText(line);
}

QStringList AboutBox::memoLines() const
{
    const QString text = M_prog->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(u'\n');
}

void AboutBox::closeEvent(QCloseEvent *event)
{
    M_prog->clear();
    QDialog::closeEvent(event);
}

void AboutBox::hideEvent(QHideEvent *event)
{
    // Esc hides the dialog without a close event: the memo is emptied either way.
    M_prog->clear();
    QDialog::hideEvent(event);
}
