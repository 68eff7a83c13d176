#include "setupdialog.h"

#include "common/failures.h"
#include "common/inifile.h"
#include "common/messages.h"
#include "store/schema.h"
#include "widgetmessages.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

namespace {
const QString Caption = QStringLiteral("Ustawienia programu");

QLineEdit *makeEdit(QWidget *parent, const QString &name)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

QPushButton *makeButton(QWidget *parent, const QString &name, const QString &text)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QWidget *row(QWidget *parent, QLineEdit *edit, const QList<QPushButton *> &buttons)
{
    auto *box = new QWidget(parent);
    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit, 1);
    for (QPushButton *b : buttons)
        layout->addWidget(b);
    return box;
}
} // namespace

SetupDialog::SetupDialog(const QString &settingsFile, Messages *messages, QWidget *parent)
    : QDialog(parent), m_settingsFile(settingsFile),
      m_ownMessages(messages ? nullptr : std::make_unique<WidgetMessages>(this)),
      m_messages(messages ? messages : m_ownMessages.get()),
      m_reportingPath(makeEdit(this, QStringLiteral("Path_ksu"))), m_lokraPath(makeEdit(this, QStringLiteral("Path"))),
      m_host(makeEdit(this, QStringLiteral("Host"))), m_user(makeEdit(this, QStringLiteral("user"))),
      m_password(makeEdit(this, QStringLiteral("password")))
{
    setObjectName(QStringLiteral("SetupDialog"));
    setWindowTitle(Caption);
    m_chooseFile = [this](const QString &caption, bool newFile) {
        const QString filter = QStringLiteral("Bazy danych Firebird (*.fdb *.FDB);;Wszystkie pliki (*)");
        return newFile ? QFileDialog::getSaveFileName(this, caption, QDir::homePath(), filter)
                       : QFileDialog::getOpenFileName(this, caption, QDir::homePath(), filter);
    };
    m_password->setEchoMode(QLineEdit::Password);
    m_host->setPlaceholderText(QStringLiteral("puste: pliki baz na tym komputerze"));

    auto *intro = new QLabel(QStringLiteral("Nie znaleziono pliku ustawień TV.ini. Wskaż bazę danych sprawozdań "
                                            "i bazę danych programu Lokra; ustawienia zostaną zapisane w pliku %1.")
                                 .arg(QDir::toNativeSeparators(settingsFile)),
                             this);
    intro->setWordWrap(true);

    QPushButton *chooseReporting = makeButton(this, QStringLiteral("bb_wybierzKsu"), QStringLiteral("Wybierz…"));
    QPushButton *create = makeButton(this, QStringLiteral("bb_utworzKsu"), QStringLiteral("Utwórz nową…"));
    QPushButton *chooseLokra = makeButton(this, QStringLiteral("bb_wybierzLokra"), QStringLiteral("Wybierz…"));
    connect(chooseReporting, &QPushButton::clicked, this, &SetupDialog::chooseReportingDatabase);
    connect(create, &QPushButton::clicked, this, &SetupDialog::createReportingDatabase);
    connect(chooseLokra, &QPushButton::clicked, this, &SetupDialog::chooseLokraDatabase);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Baza danych sprawozdań:"), row(this, m_reportingPath, {chooseReporting, create}));
    form->addRow(QStringLiteral("Baza danych programu Lokra:"), row(this, m_lokraPath, {chooseLokra}));
    form->addRow(QStringLiteral("Serwer bazy danych:"), m_host);
    form->addRow(QStringLiteral("Użytkownik:"), m_user);
    form->addRow(QStringLiteral("Hasło:"), m_password);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Zapisz"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Anuluj"));
    connect(buttons, &QDialogButtonBox::accepted, this, &SetupDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SetupDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(buttons);
    resize(640, sizeHint().height());
}

SetupDialog::~SetupDialog() = default;

QByteArray SetupDialog::settingsText() const
{
    return IniFile::format(QStringLiteral("Settings"), {{QStringLiteral("Host"), m_host->text().trimmed()},
                                                        {QStringLiteral("Path_ksu"), m_reportingPath->text().trimmed()},
                                                        {QStringLiteral("Path"), m_lokraPath->text().trimmed()},
                                                        {QStringLiteral("user"), m_user->text().trimmed()},
                                                        {QStringLiteral("password"), m_password->text()}});
}

void SetupDialog::chooseReportingDatabase()
{
    const QString path = m_chooseFile(QStringLiteral("Baza danych sprawozdań"), false);
    if (!path.isEmpty())
        m_reportingPath->setText(QDir::toNativeSeparators(path));
}

void SetupDialog::chooseLokraDatabase()
{
    const QString path = m_chooseFile(QStringLiteral("Baza danych programu Lokra"), false);
    if (!path.isEmpty())
        m_lokraPath->setText(QDir::toNativeSeparators(path));
}

void SetupDialog::createReportingDatabase()
{
    QString path = m_chooseFile(QStringLiteral("Nowa baza danych sprawozdań"), true);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".fdb");
    try {
        store::createReportingDatabase(path);
    } catch (const std::exception &e) {
        showFailure(*m_messages, e);
        return;
    }
    m_reportingPath->setText(QDir::toNativeSeparators(path));
    m_messages->showInformation(QStringLiteral("Utworzono pustą bazę danych ") + path, Caption);
}

// With no server named the files are opened on this computer: each must be there.
bool SetupDialog::checkDatabasePath(QLineEdit *edit, const QString &what)
{
    const QString path = edit->text().trimmed();
    if (path.isEmpty()) {
        m_messages->showWarning(QStringLiteral("Podaj ścieżkę bazy danych %1.").arg(what), Caption);
        edit->setFocus();
        return false;
    }
    if (m_host->text().trimmed().isEmpty() && !QFileInfo(path).isFile()) {
        m_messages->showWarning(QStringLiteral("Nie ma pliku bazy danych %1: %2").arg(what, path), Caption);
        edit->setFocus();
        return false;
    }
    return true;
}

void SetupDialog::accept()
{
    if (!checkDatabasePath(m_reportingPath, QStringLiteral("sprawozdań"))
        || !checkDatabasePath(m_lokraPath, QStringLiteral("programu Lokra")))
        return;
    // TV.ini is never replaced: one written meanwhile by hand stays as it is.
    if (QFileInfo::exists(m_settingsFile)) {
        m_messages->showError(
            QStringLiteral("Plik ustawień %1 już istnieje; nie został zmieniony.").arg(m_settingsFile), Caption);
        return;
    }
    QSaveFile file(m_settingsFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(settingsText()) < 0 || !file.commit()) {
        m_messages->showError(explainFileFailure(m_settingsFile, file, FileAccess::Write)
                                  .text(QStringLiteral("Nie można zapisać pliku ustawień %1: ").arg(m_settingsFile)),
                              Caption);
        return;
    }
    QDialog::accept();
}
