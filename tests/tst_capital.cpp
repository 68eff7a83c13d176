#include "common/messages.h"
#include "db/connection.h"
#include "db/query.h"
#include "db/sqlscript.h"
#include "pages/addcomponentdialog.h"
#include "pages/capitalpage.h"
#include "pages/capitalsourcedialog.h"
#include "pages/numericedit.h"
#include "store/capitalstore.h"
#include "store/datamodule.h"
#include "store/pagemodel.h"
#include "store/periodstore.h"
#include "support/rowstext.h"
#include "support/workspace.h"
#include "workflow/capitalworkflow.h"
#include "workflow/databasecommand.h"

#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>
#include <memory>

using Kind = RecordingMessages::Kind;
using Entry = RecordingMessages::Entry;
using IdList = QList<int>;
Q_DECLARE_METATYPE(IdList)

namespace {

// Two groups: "Kapitał własny" with a component of each kind (B has two list
// entries), and "Dotacje" with one component. Period 1 holds two components of
// the first group and one of the second; period 2 one of the first.
const char *const Dictionary = R"(
insert into SLOWNIKI values ('Kapitał własny', 1, 0, 0);
insert into SLOWNIKI values ('Środki własne', 10, 1, 1);
insert into SLOWNIKI values ('Pożyczki i kredyty', 11, 1, 2);
insert into SLOWNIKI values ('Inne źródła', 12, 1, 3);
insert into SLOWNIKI values ('Bank spółdzielczy', 20, 11, 0);
insert into SLOWNIKI values ('Fundusz regionalny', 21, 11, 0);
insert into SLOWNIKI values ('Dotacje', 2, 0, 0);
insert into SLOWNIKI values ('Dotacja UE', 30, 2, 1);
insert into OKRES (ID_OK, ODK, DOK, DATAW, WPROWADZIL) values (1, '2013-01-01', '2013-06-30', '2013-07-01', 1);
insert into OKRES (ID_OK, ODK, DOK, DATAW, WPROWADZIL) values (2, '2013-07-01', '2013-12-31', '2014-01-02', 1);
)";

const char *const Components = R"(
insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, NAZWA_R, GRUPA, RODZAJ, SZCZEGOLY)
  values (1, 1, 'Środki własne', 1234567.50, 10, 1, 1, '');
insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, NAZWA_R, GRUPA, RODZAJ, SZCZEGOLY)
  values (2, 1, 'Inne źródła', 100.25, 12, 1, 3, 'darowizna');
insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, NAZWA_R, GRUPA, RODZAJ, SZCZEGOLY)
  values (3, 1, 'Dotacja UE', 5000.00, 30, 2, 1, '');
insert into KAPITAL_FUND (ID_SKL, ID_OK, SKLADNIK, WARTOSC, NAZWA_R, GRUPA, RODZAJ, SZCZEGOLY)
  values (4, 2, 'Środki własne', 77.00, 10, 1, 1, '');
)";

const char *const Sources = R"(
insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA, WPROWADZIL) values (1, 0, 'Wzrost', 10.00, 1);
insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA, WPROWADZIL) values (1, 1, 'Zysk za rok', 2500.50, 1);
insert into DANE_KAP (ID_OK, ZRODLO, NAZWA, KWOTA, WPROWADZIL) values (2, 1, 'Inny okres', 1.00, 1);
)";

const QChar Nbsp(0x00a0);

// What the window gives the page: the capital workflow over the reporting
// database, period 1 opened and the groups of its dictionary. Holding the
// reporting gate plays the start-up task that still uses the database.
struct Context
{
    explicit Context(Messages &messages) : workflow(dm, model, messages, commands, openPeriod, capitalGroups) {}

    store::DataModule dm;
    db::Connection &connection = dm.KSU;
    store::PageModel model;
    store::OpenPeriod openPeriod;
    store::CapitalGroupList capitalGroups;
    CommandGate commands{dm.reportingGate};
    CapitalWorkflow workflow;
};

// The page in a shown window over a fresh reporting database with period 1 open.
struct Host
{
    explicit Host(const QString &extra = QString())
    {
        dbPath = ws.createReportingDatabase();
        {
            db::Connection setup;
            setup.setDatabase(QString(), dbPath);
            setup.open();
            db::runSqlScript(setup, QString::fromUtf8(Dictionary) + extra);
            setup.close();
        }
        context.connection.setDatabase(QString(), dbPath);
        context.connection.open();
        context.openPeriod.isOpen = true;
        context.openPeriod.CurrentPeriodId = QStringLiteral("1");
        auto *layout = new QVBoxLayout(&window);
        page = new pages::CapitalPage(model, context.workflow, messages);
        layout->addWidget(page);
        window.resize(1264, 700);
        window.show();
        active = QTest::qWaitForWindowActive(&window);
        // As opening period 1 does.
        context.capitalGroups = store::LoadCapitalGroups(context.connection, model);
        store::LoadCapitalChange(context.connection, context.openPeriod, model);
        store::RefreshCapitalSources(context.connection, context.openPeriod, model);
        page->periodOpened();
    }

    template <typename T = QWidget>
    T *control(const QString &name) const
    {
        T *c = window.findChild<T *>(name);
        if (!c)
            qFatal("no control %s", qPrintable(name));
        return c;
    }
    pages::AddComponentDialog *dialog() const { return page->addDialog(); }
    template <typename T = QWidget>
    T *dialogControl(const QString &name) const
    {
        T *c = dialog()->findChild<T *>(name);
        if (!c)
            qFatal("no dialog control %s", qPrintable(name));
        return c;
    }

    // Chooses an item the way the mouse does: the box changes and reports the choice.
    static void choose(QComboBox *combo, int index)
    {
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    void chooseGroup(int index) { choose(control<QComboBox>(QStringLiteral("cb_grupa")), index); }

    // The column of the component grid for every row.
    QStringList gridColumn(const QString &grid, int column) const
    {
        const QAbstractItemModel *m = control<QTableView>(grid)->model();
        QStringList out;
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, column).data().toString();
        return out;
    }

    // A query's rows as another attachment sees them: only committed work shows.
    QStringList committed(const QString &sql) const { return committedRows(dbPath, sql); }

    QString total() const { return model.text(QStringLiteral("JvValidateEdit7")); }

    Workspace ws;
    QString dbPath;
    RecordingMessages messages;
    Context context{messages};
    store::PageModel &model = context.model;
    QWidget window;
    pages::CapitalPage *page = nullptr;
    bool active = false;
};

QStringList itemsOf(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

// Runs `trigger`, and `act` on the source dialog if one comes up meanwhile; true
// when it came up.
bool withSourceDialog(const std::function<void()> &trigger,
                      const std::function<void(pages::CapitalSourceDialog *)> &act)
{
    bool shown = false;
    QTimer::singleShot(0, [&] {
        if (auto *dialog = qobject_cast<pages::CapitalSourceDialog *>(QApplication::activeModalWidget())) {
            shown = true;
            act(dialog);
        }
    });
    trigger();
    // The timer fires here when no dialog ran an event loop.
    QCoreApplication::processEvents();
    return shown;
}

// Types into a line edit as a user does, replacing what it held.
void retype(QLineEdit *edit, const QString &text)
{
    edit->setFocus(Qt::TabFocusReason);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    // The test's key clicks know only ASCII; other letters come as the input method brings them.
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() < 128;
    if (ascii) {
        QTest::keyClicks(edit, text);
    } else {
        QInputMethodEvent event;
        event.setCommitString(text);
        QCoreApplication::sendEvent(edit, &event);
    }
}

// A user's double click: the first click, then the second one as a double click.
void doubleClick(QAbstractItemView *view, QPoint at)
{
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

template <typename T>
T *childOf(QWidget *parent, const char *name)
{
    T *c = parent->findChild<T *>(QString::fromLatin1(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

} // namespace

class TestCapital : public QObject
{
    Q_OBJECT

private slots:
    void buttonsFollowThePeriodAndTheGroup()
    {
        Host h(QString::fromUtf8(Components));
        QVERIFY(h.active);
        const QStringList componentButtons{"bb_dskl", "bb_uskl"};
        const QStringList sourceButtons{"bb_Dzrod", "bb_Uzrod"};
        // A page no period was opened on offers nothing.
        Context idle(h.messages);
        pages::CapitalPage fresh(idle.model, idle.workflow, h.messages);
        for (const QString &name : componentButtons + sourceButtons)
            QVERIFY2(!childOf<QPushButton>(&fresh, qPrintable(name))->isEnabled(), qPrintable(name));

        for (const QString &name : componentButtons)
            QVERIFY2(!h.control<QPushButton>(name)->isEnabled(), qPrintable(name));
        for (const QString &name : sourceButtons)
            QVERIFY2(h.control<QPushButton>(name)->isEnabled(), qPrintable(name));
        h.chooseGroup(0);
        for (const QString &name : componentButtons + sourceButtons)
            QVERIFY2(h.control<QPushButton>(name)->isEnabled(), qPrintable(name));

        // Opening a period again forgets the group and everything that hung on it.
        h.page->bb_dsklClick();
        QVERIFY(h.dialog()->isVisible());
        h.page->periodOpened();
        auto *groups = h.control<QComboBox>(QStringLiteral("cb_grupa"));
        QCOMPARE(itemsOf(groups), (QStringList{"Kapitał własny", "Dotacje"}));
        QCOMPARE(groups->currentIndex(), -1);
        QCOMPARE(h.model.text(QStringLiteral("cb_grupa")), QString());
        QCOMPARE(h.control<QTableView>(QStringLiteral("JvDBGrid1"))->model()->rowCount(), 0);
        QCOMPARE(h.total(), QString());
        QVERIFY(!h.dialog()->isVisible());
        QCOMPARE(itemsOf(h.dialogControl<QComboBox>(QStringLiteral("cb_skl"))), QStringList{QString()});
        for (const QString &name : componentButtons)
            QVERIFY2(!h.control<QPushButton>(name)->isEnabled(), qPrintable(name));
        for (const QString &name : sourceButtons)
            QVERIFY2(h.control<QPushButton>(name)->isEnabled(), qPrintable(name));
        QCOMPARE(h.page->toolTip(), QStringLiteral("Aby usunąc nalezy wybrac pozycje z listy i nacisnac przycisk"));
    }

    // An empty dictionary leaves nothing to choose: the page says where one is loaded.
    void anEmptyDictionarySaysWhereToLoadOne_data()
    {
        QTest::addColumn<QString>("extra");
        QTest::addColumn<bool>("periodOpen");
        QTest::addColumn<bool>("hint");
        QTest::newRow("groups to choose") << QString() << true << false;
        QTest::newRow("empty dictionary") << QStringLiteral("delete from SLOWNIKI;") << true << true;
        QTest::newRow("empty dictionary, no period") << QStringLiteral("delete from SLOWNIKI;") << false << false;
    }
    void anEmptyDictionarySaysWhereToLoadOne()
    {
        QFETCH(QString, extra);
        QFETCH(bool, periodOpen);
        QFETCH(bool, hint);
        Host h(extra);
        QVERIFY(h.active);
        if (!periodOpen) {
            h.context.openPeriod.isOpen = false;
            h.page->periodOpened(false);
        }
        auto *label = h.control<QLabel>(QStringLiteral("l_pusty_slownik"));
        QCOMPARE(label->isVisible(), hint);
        QVERIFY(label->text().contains(QStringLiteral("„Menu” → „Wczytanie słownika składników”")));
    }

    void groupsOfAnOpenedPeriodShowWithoutABlankItem()
    {
        // The period workflow loads aside and assigns the whole model at once.
        Host h(QString::fromUtf8(Components));
        h.chooseGroup(1);
        store::PageModel loaded;
        store::LoadCapitalGroups(h.context.connection, loaded);
        h.model.assignFrom(loaded);
        auto *groups = h.control<QComboBox>(QStringLiteral("cb_grupa"));
        QCOMPARE(itemsOf(groups), (QStringList{"Kapitał własny", "Dotacje"}));
        QCOMPARE(groups->currentIndex(), -1);
        QCOMPARE(h.model.text(QStringLiteral("cb_grupa")), QString());
        QCOMPARE(h.control<QTableView>(QStringLiteral("JvDBGrid1"))->model()->rowCount(), 0);
    }

    void choosingAGroupShowsItsComponents_data()
    {
        QTest::addColumn<int>("group");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<QStringList>("details");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QStringList>("offered");
        QTest::newRow("Kapitał własny") << 0 << QStringList{"Środki własne", "Inne źródła"}
                                        << QStringList{QStringLiteral("1") + Nbsp + "234" + Nbsp + "567,50", "100,25"}
                                        << QStringList{"1", "2"} << QStringList{"", "darowizna"} << "1234667,75"
                                        << QStringList{"", "Środki własne", "Pożyczki i kredyty", "Inne źródła"};
        QTest::newRow("Dotacje") << 1 << QStringList{"Dotacja UE"} << QStringList{QStringLiteral("5") + Nbsp + "000,00"}
                                 << QStringList{"3"} << QStringList{""} << "5000,00" << QStringList{"", "Dotacja UE"};
    }

    void choosingAGroupShowsItsComponents()
    {
        QFETCH(int, group);
        QFETCH(QStringList, names);
        QFETCH(QStringList, values);
        QFETCH(QStringList, ids);
        QFETCH(QStringList, details);
        QFETCH(QString, total);
        QFETCH(QStringList, offered);
        Host h(QString::fromUtf8(Components));
        h.chooseGroup(group);
        QCOMPARE(h.gridColumn(QStringLiteral("JvDBGrid1"), 0), names);
        QCOMPARE(h.gridColumn(QStringLiteral("JvDBGrid1"), 1), values);
        QCOMPARE(h.gridColumn(QStringLiteral("JvDBGrid1"), 2), ids);
        QCOMPARE(h.gridColumn(QStringLiteral("JvDBGrid1"), 3), details);
        auto *grid = h.control<QTableView>(QStringLiteral("JvDBGrid1"));
        QVERIFY(grid->isColumnHidden(2));
        QStringList headers;
        for (int c = 0; c < grid->model()->columnCount(); ++c)
            headers << grid->model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, (QStringList{"Rodzaj ", "Wartość ", "ID_SKL", "Szczegóły"}));
        QCOMPARE(h.total(), total);
        QCOMPARE(itemsOf(h.dialogControl<QComboBox>(QStringLiteral("cb_skl"))), offered);
        QCOMPARE(h.messages.entries(), QList<Entry>{});
    }

    void dialogShowsTheDetailsOfTheComponentsKind_data()
    {
        QTest::addColumn<int>("component");
        QTest::addColumn<bool>("list");
        QTest::addColumn<bool>("text");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("RODZAJ 1: value only") << 1 << false << false << QStringList{};
        QTest::newRow("RODZAJ 2: list entries")
            << 2 << true << false << QStringList{"", "Bank spółdzielczy", "Fundusz regionalny"};
        QTest::newRow("RODZAJ 3: free text") << 3 << false << true << QStringList{};
    }

    void dialogShowsTheDetailsOfTheComponentsKind()
    {
        QFETCH(int, component);
        QFETCH(bool, list);
        QFETCH(bool, text);
        QFETCH(QStringList, entries);
        Host h;
        h.chooseGroup(0);
        h.page->bb_dsklClick();
        QVERIFY(h.dialog()->isVisible());
        QVERIFY(!h.dialog()->isModal());
        QCOMPARE(h.dialog()->windowTitle(),
                 QStringLiteral("Dodawanie składnika kapitału pożyczkowego Funduszu Pożyczkowego"));
        for (const char *name : {"l_ul", "cb_szcz", "l_u", "e_uw"})
            QVERIFY2(h.dialogControl<QWidget>(QString::fromLatin1(name))->isHidden(), name);
        // After another kind, so that each change of kind is seen.
        h.choose(h.dialogControl<QComboBox>(QStringLiteral("cb_skl")), component == 3 ? 2 : 3);
        h.choose(h.dialogControl<QComboBox>(QStringLiteral("cb_skl")), component);
        QCOMPARE(!h.dialogControl<QWidget>(QStringLiteral("l_ul"))->isHidden(), list);
        QCOMPARE(!h.dialogControl<QWidget>(QStringLiteral("cb_szcz"))->isHidden(), list);
        QCOMPARE(!h.dialogControl<QWidget>(QStringLiteral("l_u"))->isHidden(), text);
        QCOMPARE(!h.dialogControl<QWidget>(QStringLiteral("e_uw"))->isHidden(), text);
        if (list)
            QCOMPARE(itemsOf(h.dialogControl<QComboBox>(QStringLiteral("cb_szcz"))), entries);
        QCOMPARE(h.dialogControl<QLineEdit>(QStringLiteral("e_uw"))->maxLength(), 100);

        // The dialog is not modal: another group may be chosen, and it offers that group's components.
        h.chooseGroup(1);
        QCOMPARE(itemsOf(h.dialogControl<QComboBox>(QStringLiteral("cb_skl"))), (QStringList{"", "Dotacja UE"}));
        QVERIFY(h.dialog()->isVisible());
    }

    void addingAComponent_data()
    {
        QTest::addColumn<QString>("existing");
        QTest::addColumn<int>("typedWith"); // the component chosen while typing the free text; 0: none
        QTest::addColumn<int>("component");
        QTest::addColumn<int>("entry"); // the list entry chosen; 0: none
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("total");
        QTest::newRow("first on an empty table") << "" << 0 << 1 << 0 << "1500,5"
                                                 << "1|1|Środki własne|1500.50|10|1|1|"
                                                 << "1500,50";
        QTest::newRow("after keys 1, 2 and 7 over all periods")
            << "insert into KAPITAL_FUND (ID_SKL, ID_OK, WARTOSC, GRUPA) values (1, 1, 100, 1);\n"
               "insert into KAPITAL_FUND (ID_SKL, ID_OK, WARTOSC, GRUPA) values (2, 1, 50, 2);\n"
               "insert into KAPITAL_FUND (ID_SKL, ID_OK, WARTOSC, GRUPA) values (7, 2, 70, 1);\n"
            << 0 << 2 << 2 << "200"
            << "8|1|Pożyczki i kredyty|200.00|11|1|2|Fundusz regionalny"
            << "300,00";
        QTest::newRow("free text, empty value") << "" << 3 << 3 << 0 << ""
                                                << "1|1|Inne źródła|0.00|12|1|3|z darowizny"
                                                << "0,00";
        QTest::newRow("text typed for another component is not stored") << "" << 3 << 1 << 0 << "10"
                                                                        << "1|1|Środki własne|10.00|10|1|1|"
                                                                        << "10,00";
    }

    void addingAComponent()
    {
        QFETCH(QString, existing);
        QFETCH(int, typedWith);
        QFETCH(int, component);
        QFETCH(int, entry);
        QFETCH(QString, value);
        QFETCH(QString, row);
        QFETCH(QString, total);
        Host h(existing);
        h.chooseGroup(0);
        h.page->bb_dsklClick();
        auto *cb_skl = h.dialogControl<QComboBox>(QStringLiteral("cb_skl"));
        if (typedWith > 0) {
            h.choose(cb_skl, typedWith);
            retype(h.dialogControl<QLineEdit>(QStringLiteral("e_uw")), QStringLiteral("z darowizny"));
        }
        h.choose(cb_skl, component);
        if (entry > 0)
            h.choose(h.dialogControl<QComboBox>(QStringLiteral("cb_szcz")), entry);
        retype(h.dialogControl<QLineEdit>(QStringLiteral("Jvw_kap")), value);
        QTest::mouseClick(h.dialogControl<QPushButton>(QStringLiteral("BitBtn1")), Qt::LeftButton);

        const QString id = row.section(u'|', 0, 0);
        QCOMPARE(h.committed(QStringLiteral("select ID_SKL, ID_OK, SKLADNIK, cast(WARTOSC as varchar(20)), NAZWA_R, "
                                            "GRUPA, RODZAJ, SZCZEGOLY from KAPITAL_FUND where ID_SKL = %1")
                                 .arg(id)),
                 QStringList{row});
        QCOMPARE(h.messages.entries(),
                 (QList<Entry>{{Kind::Information, applicationTitle(), QStringLiteral("Składnik dodany pomyślnie")}}));
        QCOMPARE(h.total(), total);
        QVERIFY(h.gridColumn(QStringLiteral("JvDBGrid1"), 2).contains(id));
        // The dialog is closed and ready for the next component.
        QVERIFY(!h.dialog()->isVisible());
        QCOMPARE(cb_skl->currentText(), QString());
        QCOMPARE(h.dialogControl<QLineEdit>(QStringLiteral("Jvw_kap"))->text(), QString());
        QCOMPARE(h.dialogControl<QLineEdit>(QStringLiteral("e_uw"))->text(), QString());
        for (const char *name : {"l_ul", "cb_szcz", "l_u", "e_uw"})
            QVERIFY2(h.dialogControl<QWidget>(QString::fromLatin1(name))->isHidden(), name);
    }

    void addingWithoutAComponentWarns()
    {
        Host h;
        h.chooseGroup(0);
        h.page->bb_dsklClick();
        retype(h.dialogControl<QLineEdit>(QStringLiteral("Jvw_kap")), QStringLiteral("5"));
        QTest::mouseClick(h.dialogControl<QPushButton>(QStringLiteral("BitBtn1")), Qt::LeftButton);
        h.choose(h.dialogControl<QComboBox>(QStringLiteral("cb_skl")), 0);
        QTest::mouseClick(h.dialogControl<QPushButton>(QStringLiteral("BitBtn1")), Qt::LeftButton);
        const Entry warning{Kind::Warning, QStringLiteral("Uwaga !"), QStringLiteral("Nie wybrano składnika !")};
        QCOMPARE(h.messages.entries(), (QList<Entry>{warning, warning}));
        QVERIFY(h.dialog()->isVisible());
        QCOMPARE(h.committed(QStringLiteral("select count(*) from KAPITAL_FUND")), QStringList{"0"});
    }

    void dialogResetsOnEscAndClose_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Esc in the value") << "Jvw_kap";
        QTest::newRow("Esc in the details") << "e_uw";
        QTest::newRow("Esc in the component box") << "cb_skl";
        QTest::newRow("closing the window") << "";
    }

    void dialogResetsOnEscAndClose()
    {
        QFETCH(QString, how);
        Host h;
        h.chooseGroup(0);
        h.page->bb_dsklClick();
        auto *cb_skl = h.dialogControl<QComboBox>(QStringLiteral("cb_skl"));
        h.choose(cb_skl, 3);
        retype(h.dialogControl<QLineEdit>(QStringLiteral("e_uw")), QStringLiteral("opis"));
        retype(h.dialogControl<QLineEdit>(QStringLiteral("Jvw_kap")), QStringLiteral("12"));
        if (how.isEmpty())
            h.dialog()->close();
        else
            QTest::keyClick(h.dialogControl<QWidget>(how), Qt::Key_Escape);
        QVERIFY(!h.dialog()->isVisible());
        QCOMPARE(cb_skl->currentText(), QString());
        QCOMPARE(h.dialogControl<QLineEdit>(QStringLiteral("Jvw_kap"))->text(), QString());
        for (const char *name : {"l_ul", "cb_szcz", "l_u", "e_uw"})
            QVERIFY2(h.dialogControl<QWidget>(QString::fromLatin1(name))->isHidden(), name);
        QCOMPARE(h.committed(QStringLiteral("select count(*) from KAPITAL_FUND")), QStringList{"0"});
        QCOMPARE(h.messages.entries(), QList<Entry>{});
    }

    void deletingAComponent_data()
    {
        const Entry question{Kind::Question, QStringLiteral("Usuwanie rekordu"),
                             QStringLiteral("Czy na pewno chcesz usunąc zaznaczony składnik ?")};
        const Entry done{Kind::Information, QStringLiteral("Usunięto składnik"), QStringLiteral("Usunięto składnik.")};
        const Entry none{Kind::Warning, QStringLiteral("Błąd!"), QStringLiteral("Nie wybrano składnika do usunięcia")};
        QTest::addColumn<bool>("components");
        QTest::addColumn<int>("group");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QList<Entry>>("messages");
        QTest::newRow("No keeps it") << true << 0 << 1 << false << QStringList{"1", "2"} << "1234667,75"
                                     << QList<Entry>{question};
        QTest::newRow("Yes deletes the current row")
            << true << 0 << 1 << true << QStringList{"1"} << "1234567,50" << QList<Entry>{question, done};
        QTest::newRow("the first row is current at first")
            << true << 0 << -1 << true << QStringList{"2"} << "100,25" << QList<Entry>{question, done};
        QTest::newRow("the only component: no total")
            << true << 1 << -1 << true << QStringList{} << "" << QList<Entry>{question, done};
        QTest::newRow("no row to delete")
            << false << 0 << -1 << true << QStringList{} << "" << QList<Entry>{question, none};
    }

    void deletingAComponent()
    {
        QFETCH(bool, components);
        QFETCH(int, group);
        QFETCH(int, row);
        QFETCH(bool, answer);
        QFETCH(QStringList, left);
        QFETCH(QString, total);
        QFETCH(QList<Entry>, messages);
        Host h(components ? QString::fromUtf8(Components) : QString());
        h.chooseGroup(group);
        auto *grid = h.control<QTableView>(QStringLiteral("JvDBGrid1"));
        if (row >= 0)
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              grid->visualRect(grid->model()->index(row, 0)).center());
        h.messages.scriptAnswers({answer});
        QTest::mouseClick(h.control<QPushButton>(QStringLiteral("bb_uskl")), Qt::LeftButton);
        QCOMPARE(h.messages.entries(), messages);
        QCOMPARE(h.gridColumn(QStringLiteral("JvDBGrid1"), 2), left);
        QCOMPARE(
            h.committed(QStringLiteral("select ID_SKL from KAPITAL_FUND where ID_OK = 1 and GRUPA = %1 order by ID_SKL")
                            .arg(group + 1)),
            left);
        QCOMPARE(h.total(), total);
        if (components)
            QCOMPARE(h.committed(QStringLiteral("select ID_SKL from KAPITAL_FUND where ID_OK = 2")), QStringList{"4"});
    }

    void gridEditsAreCommittedAtOnce_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("total");
        QTest::newRow("value") << 1 << "2500,75"
                               << "2500.75|" << QStringLiteral("2") + Nbsp + "500,75"
                               << "2601,00";
        QTest::newRow("empty value is 0") << 1 << ""
                                          << "0.00|"
                                          << "0,00"
                                          << "100,25";
        // A large fund's capital: values up to 13 whole digits, a 14th refused as typed.
        QTest::newRow("58 mln zł") << 1 << "58000000,00"
                                   << "58000000.00|" << QStringLiteral("58") + Nbsp + "000" + Nbsp + "000,00"
                                   << "58000100,25";
        QTest::newRow("14 digits") << 1 << "12345678901234"
                                   << "1234567890123.00|"
                                   << QStringLiteral("1") + Nbsp + "234" + Nbsp + "567" + Nbsp + "890" + Nbsp + "123,00"
                                   << "1234567890223,25";
        QTest::newRow("details") << 3 << "nowy opis"
                                 << "1234567.50|nowy opis"
                                 << "nowy opis"
                                 << "1234667,75";
    }

    void gridEditsAreCommittedAtOnce()
    {
        QFETCH(int, column);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(QString, total);
        Host h(QString::fromUtf8(Components));
        h.chooseGroup(0);
        auto *grid = h.control<QTableView>(QStringLiteral("JvDBGrid1"));
        const QModelIndex cell = grid->model()->index(0, column);
        grid->setFocus();
        grid->setCurrentIndex(cell);
        QTest::keyClick(grid, Qt::Key_F2);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        QCOMPARE(qobject_cast<pages::NumericEdit *>(editor) != nullptr, column == 1);
        retype(editor, typed);
        QTest::keyClick(editor, Qt::Key_Return);
        // The grid takes the edit back from its editor in the next turn of the event loop.
        QCoreApplication::processEvents();
        QCOMPARE(h.committed(QStringLiteral(
                     "select cast(WARTOSC as varchar(20)), SZCZEGOLY from KAPITAL_FUND where ID_SKL = 1")),
                 QStringList{stored});
        QCOMPARE(cell.data().toString(), shown);
        QCOMPARE(h.total(), total);
        QCOMPARE(h.messages.entries(), QList<Entry>{});
    }

    void totalOnEnteringThePage()
    {
        Host h(QString::fromUtf8(Components));
        // No group chosen: the total of group code 0, which has none.
        h.page->Ts_kap_pozEnter();
        QCOMPARE(h.total(), QString());
        h.chooseGroup(0);
        db::Query(h.context.connection, QStringLiteral("update KAPITAL_FUND set WARTOSC = 1 where ID_SKL = 1"))
            .execute();
        h.page->Ts_kap_pozEnter();
        QCOMPARE(h.total(), QStringLiteral("101,25"));
        // Without an open period the page reads nothing.
        h.context.openPeriod.isOpen = false;
        db::Query(h.context.connection, QStringLiteral("update KAPITAL_FUND set WARTOSC = 2 where ID_SKL = 1"))
            .execute();
        h.page->Ts_kap_pozEnter();
        QCOMPARE(h.total(), QStringLiteral("101,25"));
    }

    void addingAndEditingSources_data()
    {
        QTest::addColumn<bool>("editing");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("stored");
        const QString kept = QStringLiteral("Zysk za rok|2500,5");
        QTest::newRow("add, Zapisz") << false << "Zapisz" << QStringList{kept, "Pożyczka z banku|1234,56"};
        QTest::newRow("add, Anuluj") << false << "Anuluj" << QStringList{kept};
        QTest::newRow("add, Esc") << false << "Esc" << QStringList{kept};
        QTest::newRow("add, closed") << false << "close" << QStringList{kept};
        QTest::newRow("edit, Zapisz") << true << "Zapisz" << QStringList{"Pożyczka z banku|1234,56"};
        QTest::newRow("edit, Anuluj") << true << "Anuluj" << QStringList{kept};
    }
    // The name takes no more than the column holds, so that the save cannot fail on it.
    void aSourceNameTakesAHundredCharacters()
    {
        Host h(QString::fromUtf8(Sources));
        const QString typed = QString(120, u'x');
        const bool shown = withSourceDialog(
            [&] { QTest::mouseClick(h.control<QPushButton>(QStringLiteral("bb_Dzrod")), Qt::LeftButton); },
            [&](pages::CapitalSourceDialog *d) {
                retype(childOf<QLineEdit>(d, "Nazwa"), typed);
                QTest::mouseClick(childOf<QPushButton>(d, "Zapisz"), Qt::LeftButton);
            });
        QVERIFY(shown);
        QCOMPARE(h.committed(QStringLiteral("select NAZWA from DANE_KAP where ZRODLO = 1 and ID_OK = 1 order by ID")),
                 (QStringList{"Zysk za rok", typed.left(100)}));
        QCOMPARE(h.messages.entries(), QList<Entry>{});
    }

    void addingAndEditingSources()
    {
        QFETCH(bool, editing);
        QFETCH(QString, how);
        QFETCH(QStringList, stored);
        Host h(QString::fromUtf8(Sources));
        auto *grid = h.control<QTableView>(QStringLiteral("JvDBGrid2"));
        QCOMPARE(h.gridColumn(QStringLiteral("JvDBGrid2"), 1), QStringList{"Zysk za rok"});
        QCOMPARE(h.gridColumn(QStringLiteral("JvDBGrid2"), 2), QStringList{QStringLiteral("2") + Nbsp + "500,50"});
        QVERIFY(grid->isColumnHidden(0));

        QString title, name, amount;
        const bool shown = withSourceDialog(
            [&] {
                if (editing)
                    doubleClick(grid, grid->visualRect(grid->model()->index(0, 1)).center());
                else
                    QTest::mouseClick(h.control<QPushButton>(QStringLiteral("bb_Dzrod")), Qt::LeftButton);
            },
            [&](pages::CapitalSourceDialog *d) {
                title = d->windowTitle();
                name = childOf<QLineEdit>(d, "Nazwa")->text();
                amount = childOf<QLineEdit>(d, "Kwota")->text();
                QCOMPARE(d->size(), QSize(410, 244));
                retype(childOf<QLineEdit>(d, "Nazwa"), QStringLiteral("Pożyczka z banku"));
                retype(childOf<QLineEdit>(d, "Kwota"), QStringLiteral("1234,56"));
                if (how == u"Esc")
                    QTest::keyClick(childOf<QLineEdit>(d, "Nazwa"), Qt::Key_Escape);
                else if (how == u"close")
                    d->close();
                else
                    QTest::mouseClick(childOf<QPushButton>(d, qPrintable(how)), Qt::LeftButton);
            });
        QVERIFY(shown);
        QCOMPARE(title, editing ? QStringLiteral("Edycja źródła") : QStringLiteral("Dodawanie źródła"));
        QCOMPARE(name, editing ? QStringLiteral("Zysk za rok") : QString());
        QCOMPARE(amount, editing ? QStringLiteral("2500,50") : QStringLiteral("0,00"));
        QStringList committedSources;
        for (const QString &row :
             h.committed(QStringLiteral("select NAZWA, KWOTA, ZRODLO, ID_OK, WPROWADZIL from DANE_KAP "
                                        "where ZRODLO = 1 and ID_OK = 1 order by ID"))) {
            QCOMPARE(row.section(u'|', 2), QStringLiteral("1|1|1"));
            committedSources << row.section(u'|', 0, 1);
        }
        QCOMPARE(committedSources, stored);
        QStringList gridNames;
        for (const QString &s : stored)
            gridNames << s.section(u'|', 0, 0);
        QCOMPARE(h.gridColumn(QStringLiteral("JvDBGrid2"), 1), gridNames);
        // The capital change and the other period's source are not touched.
        QCOMPARE(h.committed(QStringLiteral("select NAZWA from DANE_KAP where ZRODLO = 0 or ID_OK = 2 order by ID")),
                 (QStringList{"Wzrost", "Inny okres"}));
        QCOMPARE(h.messages.entries(), QList<Entry>{});
    }

    void deletingASourceAsksNothing()
    {
        Host h(QString::fromUtf8(Sources));
        QTest::mouseClick(h.control<QPushButton>(QStringLiteral("bb_Uzrod")), Qt::LeftButton);
        QCOMPARE(h.messages.entries(), QList<Entry>{});
        QCOMPARE(h.gridColumn(QStringLiteral("JvDBGrid2"), 1), QStringList{});
        QCOMPARE(h.committed(QStringLiteral("select NAZWA from DANE_KAP order by ID")),
                 (QStringList{"Wzrost", "Inny okres"}));
    }

    void anEmptySourceListOffersNothing()
    {
        Host h;
        auto *grid = h.control<QTableView>(QStringLiteral("JvDBGrid2"));
        const bool shown = withSourceDialog(
            [&] {
                doubleClick(grid, QPoint(20, 10));
                h.page->JvDBGrid2DblClick();
                QTest::mouseClick(h.control<QPushButton>(QStringLiteral("bb_Uzrod")), Qt::LeftButton);
            },
            [](pages::CapitalSourceDialog *d) { d->reject(); });
        QVERIFY(!shown);
        QCOMPARE(h.messages.entries(), QList<Entry>{});
        QCOMPARE(h.committed(QStringLiteral("select count(*) from DANE_KAP")), QStringList{"0"});
    }

    void aRejectedSourceShowsTheDatabasesReason()
    {
        Host h;
        for (const char *sql :
             {"create exception e_refused 'Zapis odrzucony'",
              "create trigger t_refuse for DANE_KAP before insert as begin exception e_refused; end"}) {
            h.context.connection.executeImmediate(QString::fromLatin1(sql));
            h.context.connection.commitRetaining();
        }
        const bool shown = withSourceDialog([&] { h.page->bb_DzrodClick(); },
                                            [](pages::CapitalSourceDialog *d) {
                                                retype(childOf<QLineEdit>(d, "Nazwa"), QStringLiteral("Dotacja"));
                                                QTest::mouseClick(childOf<QPushButton>(d, "Zapisz"), Qt::LeftButton);
                                            });
        QVERIFY(shown);
        QCOMPARE(h.messages.entries().size(), 1);
        QCOMPARE(h.messages.entries().first().kind, Kind::Error);
        QVERIFY2(h.messages.entries().first().text.contains(QStringLiteral("Zapis odrzucony")),
                 qPrintable(h.messages.entries().first().text));
        QCOMPARE(h.committed(QStringLiteral("select count(*) from DANE_KAP")), QStringList{"0"});
    }

    void aBusyDatabaseRefusesThePagesWork()
    {
        Host h(QString::fromUtf8(Components) + QString::fromUtf8(Sources));
        h.context.dm.reportingGate.acquire();
        h.chooseGroup(0);
        QCOMPARE(h.gridColumn(QStringLiteral("JvDBGrid1"), 0), QStringList{});
        QVERIFY(!h.control<QPushButton>(QStringLiteral("bb_dskl"))->isEnabled());
        QTest::mouseClick(h.control<QPushButton>(QStringLiteral("bb_Uzrod")), Qt::LeftButton);
        const Entry refusal{Kind::Warning, QStringLiteral("Chwileczkę"),
                            QStringLiteral("Program kończy uruchamianie i korzysta jeszcze z bazy danych.\r"
                                           "Spróbuj ponownie za chwilę.")};
        QCOMPARE(h.messages.entries(), (QList<Entry>{refusal, refusal}));
        QCOMPARE(h.committed(QStringLiteral("select count(*) from DANE_KAP")), QStringList{"3"});
        h.context.dm.reportingGate.release();
        QVERIFY(!h.context.commands.isRunning());
        QVERIFY(h.context.dm.reportingGate.tryAcquire());
        h.context.dm.reportingGate.release();
    }

    void sameNamesTakeThePickedEntry()
    {
        // Two groups named alike, and two components of one name in the second.
        Host h(QStringLiteral("insert into SLOWNIKI values ('Dotacje', 3, 0, 0);\n"
                              "insert into SLOWNIKI values ('Dotacja', 40, 3, 1);\n"
                              "insert into SLOWNIKI values ('Dotacja', 41, 3, 3);\n"));
        h.chooseGroup(2);
        QCOMPARE(itemsOf(h.dialogControl<QComboBox>(QStringLiteral("cb_skl"))),
                 (QStringList{"", "Dotacja", "Dotacja"}));
        h.page->bb_dsklClick();
        h.choose(h.dialogControl<QComboBox>(QStringLiteral("cb_skl")), 2);
        QVERIFY(!h.dialogControl<QWidget>(QStringLiteral("e_uw"))->isHidden());
        retype(h.dialogControl<QLineEdit>(QStringLiteral("e_uw")), QStringLiteral("druga"));
        QTest::mouseClick(h.dialogControl<QPushButton>(QStringLiteral("BitBtn1")), Qt::LeftButton);
        QCOMPARE(h.committed(QStringLiteral("select NAZWA_R, GRUPA, RODZAJ, SZCZEGOLY from KAPITAL_FUND")),
                 QStringList{"41|3|3|druga"});
        QCOMPARE(h.gridColumn(QStringLiteral("JvDBGrid1"), 0), QStringList{"Dotacja"});
    }

    void moreThanAHundredComponents()
    {
        Host h(QStringLiteral("set term ^ ;\n"
                              "execute block as declare i int = 0; begin\n"
                              "  while (i < 150) do begin\n"
                              "    insert into SLOWNIKI values ('Składnik ' || :i, 1000 + :i, 2, 1);\n"
                              "    i = i + 1;\n"
                              "  end\n"
                              "end^\n"
                              "set term ; ^\n"));
        h.chooseGroup(1);
        QCOMPARE(h.page->groupComponents().size(), 151);
        const QStringList offered = itemsOf(h.dialogControl<QComboBox>(QStringLiteral("cb_skl")));
        QCOMPARE(offered.size(), 152);
        QCOMPARE(offered.last(), QStringLiteral("Składnik 149"));
        h.page->bb_dsklClick();
        h.choose(h.dialogControl<QComboBox>(QStringLiteral("cb_skl")), 151);
        QTest::mouseClick(h.dialogControl<QPushButton>(QStringLiteral("BitBtn1")), Qt::LeftButton);
        QCOMPARE(h.committed(QStringLiteral("select SKLADNIK, NAZWA_R from KAPITAL_FUND")),
                 QStringList{"Składnik 149|1149"});
    }
};

QTEST_MAIN(TestCapital)
#include "tst_capital.moc"
