#include "common/messages.h"
#include "db/money.h"
#include "pages/activelostpage.h"
#include "pages/dateedit.h"
#include "pages/institutionpage.h"
#include "pages/numericedit.h"
#include "pages/rulespage.h"
#include "pages/statisticspage.h"
#include "store/pagemodel.h"
#include "store/statisticpairs.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>

#include <memory>

using Typed = QList<QPair<QString, QString>>;
Q_DECLARE_METATYPE(Typed)

namespace {

// One page in a shown, active window, with a spare field to move the focus to.
struct Host
{
    explicit Host(const QString &pageName)
    {
        auto *layout = new QVBoxLayout(&window);
        if (pageName == u"institution")
            page = new pages::InstitutionPage(model, messages);
        else if (pageName == u"rules")
            page = new pages::RulesPage(model);
        else if (pageName == u"statistics")
            page = new pages::StatisticsPage(model);
        else
            page = new pages::ActiveLostPage(model);
        layout->addWidget(page);
        elsewhere = new QLineEdit;
        elsewhere->setObjectName(QStringLiteral("elsewhere"));
        layout->addWidget(elsewhere);
        window.resize(1264, 700);
        window.show();
        window.activateWindow();
        active = QTest::qWaitForWindowActive(&window);
        // The window gives the focus to its first field; start with none of the page's.
        elsewhere->setFocus(Qt::OtherFocusReason);
    }

    template <typename T = QWidget>
    T *control(const QString &name)
    {
        T *c = page->findChild<T *>(name);
        if (!c)
            qFatal("no control %s", qPrintable(name));
        return c;
    }

    // Moves the focus into a control the way Tab would.
    void enter(QWidget *w) { w->setFocus(Qt::TabFocusReason); }
    void leave() { elsewhere->setFocus(Qt::TabFocusReason); }
    // Enters a field, empties it and types.
    void typeInto(const QString &name, const QString &text)
    {
        auto *edit = control<QLineEdit>(name);
        enter(edit);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }

    store::PageModel model;
    RecordingMessages messages;
    QWidget window;
    QWidget *page = nullptr;
    QLineEdit *elsewhere = nullptr;
    bool active = false;
};

QStringList itemsOf(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

const QStringList YesNo{"", "Tak", "Nie"};
const QStringList YesNoNa{"", "Tak", "Nie", "Nie dotyczy"};

} // namespace

class TestPages : public QObject
{
    Q_OBJECT

private slots:
    void nipCheckOnLeaving_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QString>("message");
        const QString tenDigits = QStringLiteral("Błędnie wprowadzony NIP. NIP musi składać się z dziesieciu cyfr.");
        const QString digitsOnly = QStringLiteral("Błędnie wprowadzony NIP. NIP musi składać się z samych cyfr.");
        QTest::newRow("empty leaves silently") << ""
                                               << ""
                                               << "";
        QTest::newRow("nine digits") << "123456789"
                                     << "123456789" << tenDigits;
        QTest::newRow("eleven digits") << "12345678901"
                                       << "12345678901" << tenDigits;
        QTest::newRow("typing stops at 15") << "1234567890123456"
                                            << "123456789012345" << tenDigits;
        QTest::newRow("dashes") << "123-456-78"
                                << "123-456-78" << digitsOnly;
        QTest::newRow("space") << "123456789 "
                               << "123456789 " << digitsOnly;
        QTest::newRow("ten digits pass") << "1234567890"
                                         << "1234567890"
                                         << "";
    }

    void nipCheckOnLeaving()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QFETCH(QString, message);
        Host host(QStringLiteral("institution"));
        QVERIFY(host.active);
        auto *nip = host.control<QLineEdit>(QStringLiteral("e_nip_inst"));
        host.enter(nip);
        QTest::keyClicks(nip, typed);
        QTest::keyClick(nip, Qt::Key_Tab);

        QCOMPARE(nip->text(), kept);
        QCOMPARE(host.model.text(QStringLiteral("e_nip_inst")), kept);
        if (message.isEmpty()) {
            QVERIFY(host.messages.entries().isEmpty());
            QCOMPARE(QApplication::focusWidget(), host.control(QStringLiteral("e_krs_inst")));
        } else {
            const QList<RecordingMessages::Entry> expected{
                {RecordingMessages::Kind::Warning, QStringLiteral("Błąd!"), message}};
            QCOMPARE(host.messages.entries(), expected);
            QCOMPARE(QApplication::focusWidget(), nip);
        }
        // Switching windows is not leaving the field: no second message.
        host.messages.clear();
        QFocusEvent deactivated(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(nip, &deactivated);
        QVERIFY(host.messages.entries().isEmpty());
    }

    void comboBoxesTakeNoTyping_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("cb_forma_inst") << "institution"
                                       << "cb_forma_inst"
                                       << QStringList{"", "Spółka Akcyjna", "Spółka Z O.O.", "Fundacja",
                                                      "Stowarzyszenie"};
        for (const char *name : {"cb_fundusz", "cb_analiza", "cb_syt", "cb_pot", "cb_kwal"})
            QTest::newRow(name) << "rules" << name << YesNo;
        for (const char *name : {"cb_wym_tech", "cb_wym_eko", "cb_wym_usl", "cb_et_zaw"})
            QTest::newRow(name) << "rules" << name << YesNoNa;
    }

    void comboBoxesTakeNoTyping()
    {
        QFETCH(QString, page);
        QFETCH(QString, name);
        QFETCH(QStringList, items);
        Host host(page);
        QVERIFY(host.active);
        auto *combo = host.control<QComboBox>(name);
        QVERIFY(!combo->isEditable());
        QCOMPARE(itemsOf(combo), items);

        host.enter(combo);
        // The first letter of an item would select it in a plain combo box.
        QTest::keyClick(combo, items.last().at(0).toLower().toLatin1());
        QCOMPARE(combo->currentIndex(), 0);
        QTest::keyClicks(combo, QStringLiteral("tTnNsSf"));
        // A Polish letter, typed or composed by an input method.
        QKeyEvent letter(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("ą"));
        QApplication::sendEvent(combo, &letter);
        QInputMethodEvent composed;
        composed.setCommitString(QStringLiteral("N"));
        QApplication::sendEvent(combo, &composed);
        QCOMPARE(combo->currentIndex(), 0);
        QCOMPARE(host.model.text(name), QString());

        // Arrow keys choose from the list.
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(combo->currentText(), items[1]);
        QCOMPARE(host.model.text(name), items[1]);

        // In the open list letters do nothing either; Down and Enter pick an item.
        combo->showPopup();
        QAbstractItemView *list = combo->view();
        QVERIFY(list->isVisible());
        QTest::keyClick(list, items.last().at(0).toLower().toLatin1());
        QCOMPARE(list->currentIndex().row(), 1);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(combo->currentText(), items[2]);
        QCOMPARE(host.model.text(name), items[2]);
    }

    void numericEditTakesItsCharacters_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shownWhileTyping");
        QTest::addColumn<QString>("shownAfterLeaving");
        QTest::newRow("whole number: no letters, no comma") << "Okres_spl"
                                                            << "1a2,3-"
                                                            << "123"
                                                            << "123";
        QTest::newRow("whole number: minus first only") << "Okres_spl"
                                                        << "-1-2"
                                                        << "-12"
                                                        << "-12";
        QTest::newRow("whole number: nine digits at most") << "Okres_spl"
                                                           << "12345678901"
                                                           << "123456789"
                                                           << "123456789";
        QTest::newRow("money: decimal comma") << "jv_max"
                                              << "12,5"
                                              << "12,5"
                                              << "12,50";
        QTest::newRow("money: a point becomes the comma") << "jv_max"
                                                          << "1.25"
                                                          << "1,25"
                                                          << "1,25";
        QTest::newRow("money: one comma, two decimals") << "jv_max"
                                                        << "1,2,345"
                                                        << "1,23"
                                                        << "1,23";
        QTest::newRow("money: no letters") << "jv_max"
                                           << "x3 0z0"
                                           << "300"
                                           << "300,00";
        QTest::newRow("decimal with suffix") << "jv_min_opr"
                                             << "4,5%"
                                             << "4,5"
                                             << "4,50 %";
        QTest::newRow("only a minus reads empty") << "jv_max"
                                                  << "-"
                                                  << "-"
                                                  << "";
    }

    void numericEditTakesItsCharacters()
    {
        QFETCH(QString, name);
        QFETCH(QString, typed);
        QFETCH(QString, shownWhileTyping);
        QFETCH(QString, shownAfterLeaving);
        Host host(QStringLiteral("rules"));
        QVERIFY(host.active);
        auto *edit = host.control<pages::NumericEdit>(name);
        host.typeInto(name, typed);
        QCOMPARE(edit->text(), shownWhileTyping);
        host.leave();
        QCOMPARE(edit->text(), shownAfterLeaving);
        QCOMPARE(host.model.shownText(name), shownAfterLeaving);
    }

    // A refused key does not pass unseen: the field tells why under itself, so
    // that "12,5" typed into a count is not taken for 125.
    void numericEditSaysWhyAKeyIsRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("comma in a count") << "Okres_spl"
                                          << "12,5"
                                          << "125"
                                          << "To pole przyjmuje tylko liczbę całkowitą: przecinka nie wpisano.";
        QTest::newRow("point in a count") << "Okres_spl"
                                          << "12.5"
                                          << "125"
                                          << "To pole przyjmuje tylko liczbę całkowitą: przecinka nie wpisano.";
        QTest::newRow("letter") << "Okres_spl"
                                << "1a"
                                << "1"
                                << "To pole przyjmuje tylko cyfry i znak minus.";
        QTest::newRow("minus inside") << "Okres_spl"
                                      << "1-"
                                      << "1"
                                      << "Minus może stać tylko na początku liczby.";
        QTest::newRow("too many digits") << "Okres_spl"
                                         << "1234567890"
                                         << "123456789"
                                         << "Liczba może mieć najwyżej 9 cyfr.";
        QTest::newRow("second comma") << "jv_max"
                                      << "1,2,"
                                      << "1,2"
                                      << "Liczba może mieć tylko jeden przecinek.";
        QTest::newRow("third decimal") << "jv_max"
                                       << "1,234"
                                       << "1,23"
                                       << "Po przecinku mieszczą się najwyżej 2 cyfry.";
        QTest::newRow("letter in money") << "jv_max"
                                         << "5zl"
                                         << "5"
                                         << "To pole przyjmuje tylko cyfry, przecinek i znak minus.";
        QTest::newRow("nothing refused") << "jv_max"
                                         << "12,5"
                                         << "12,5" << QString();
    }

    void numericEditSaysWhyAKeyIsRefused()
    {
        QFETCH(QString, name);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, refusal);
        Host host(QStringLiteral("rules"));
        QVERIFY(host.active);
        auto *edit = host.control<pages::NumericEdit>(name);
        host.typeInto(name, typed);
        QCOMPARE(edit->text(), shown);
        QCOMPARE(edit->refusal(), refusal);
        QCOMPARE(QToolTip::isVisible(), !refusal.isEmpty());
        if (!refusal.isEmpty())
            QCOMPARE(QToolTip::text(), refusal);
        QToolTip::hideText();
    }

    void numericEditEmptyAndSuffix()
    {
        Host host(QStringLiteral("rules"));
        QVERIFY(host.active);
        auto *rate = host.control<pages::NumericEdit>(QStringLiteral("jv_min_opr"));
        host.model.setNumber(QStringLiteral("jv_min_opr"), 4.5);
        QCOMPARE(rate->text(), QStringLiteral("4,50 %"));
        host.enter(rate);
        QCOMPARE(rate->text(), QStringLiteral("4,50"));
        QCOMPARE(rate->value().toNumber(), 4.5);
        host.leave();
        QCOMPARE(rate->text(), QStringLiteral("4,50 %"));

        // Emptied: reads 0, and no suffix stands alone.
        host.typeInto(QStringLiteral("jv_min_opr"), QString());
        QCOMPARE(rate->value().toNumber(), 0.0);
        QVERIFY(host.model.numeric(QStringLiteral("jv_min_opr")).isEmpty());
        QCOMPARE(host.model.number(QStringLiteral("jv_min_opr")), 0.0);
        host.leave();
        QCOMPARE(rate->text(), QString());

        // A money value keeps its four decimals when its field is only passed through.
        host.model.setMoney(QStringLiteral("jv_max"), db::Money::fromUnits(12345678));
        auto *largest = host.control<pages::NumericEdit>(QStringLiteral("jv_max"));
        QCOMPARE(largest->text(), QStringLiteral("1234,57"));
        host.enter(largest);
        host.leave();
        QCOMPARE(host.model.money(QStringLiteral("jv_max")), db::Money::fromUnits(12345678));
    }

    void sumsOnLeavingAMember_data()
    {
        QTest::addColumn<Typed>("typed");
        QTest::addColumn<QString>("sum");
        QTest::addColumn<QString>("expected");
        QTest::newRow("status counts") << Typed{{"l_12mc", "3"}, {"l_kon", "5"}} << "sl_stat"
                                       << "8";
        QTest::newRow("sex values, one empty")
            << Typed{{"w_kob", "100,25"}, {"w_men", "200,50"}, {"w_popl", ""}} << "sw_plec"
            << "300,75";
        QTest::newRow("typed sum overwritten") << Typed{{"Jvl_r", "99"}, {"Jvl_ek", "2"}, {"Jvl_mik", "4"}} << "Jvl_r"
                                               << "6";
        QTest::newRow("typed sum kept until a member is left") << Typed{{"Jvl_mik", "4"}, {"Jvl_r", "99"}} << "Jvl_r"
                                                               << "99";
        QTest::newRow("sector values") << Typed{{"w_rol", "0,01"}, {"w_in", "-1"}} << "sw_dzial"
                                       << "-0,99";
        QTest::newRow("leaving an empty member") << Typed{{"l_wiej", ""}} << "sl_zarej"
                                                 << "0";
    }

    void sumsOnLeavingAMember()
    {
        QFETCH(Typed, typed);
        QFETCH(QString, sum);
        QFETCH(QString, expected);
        Host host(QStringLiteral("statistics"));
        QVERIFY(host.active);
        for (const auto &[name, text] : typed)
            host.typeInto(name, text);
        host.leave();
        QCOMPARE(host.control<QLineEdit>(sum)->text(), expected);
    }

    void sectorSumsAreReadOnly_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("readOnly");
        for (const store::StatisticGroup &g : store::StatisticGroups) {
            for (std::string_view name : {g.countSum, g.valueSum})
                QTest::newRow(name.data()) << store::toQString(name) << (name == "sl_dzial" || name == "sw_dzial");
        }
    }

    void sectorSumsAreReadOnly()
    {
        QFETCH(QString, name);
        QFETCH(bool, readOnly);
        Host host(QStringLiteral("statistics"));
        QVERIFY(host.active);
        host.model.setInteger(name, 7);
        auto *edit = host.control<QLineEdit>(name);
        const QString shown = edit->text();
        host.enter(edit);
        QTest::keyClick(edit, Qt::Key_Home);
        QTest::keyClicks(edit, QStringLiteral("1"));
        QCOMPARE(edit->isReadOnly(), readOnly);
        QCOMPARE(edit->text(), readOnly ? shown : QStringLiteral("1") + shown);
    }

    void statisticsPageFromTheTable()
    {
        Host host(QStringLiteral("statistics"));
        QVERIFY(host.active);
        QCOMPARE(host.page->findChildren<pages::NumericEdit *>().size(), 80);
        for (const QString &name : store::PageModel::statisticsControls())
            QCOMPARE(host.control<pages::NumericEdit>(name)->kind(), host.model.kind(name));
        // The page fits the window's client area below the tabs and the page heading.
        QVERIFY2(host.page->minimumSizeHint().width() <= 1220,
                 qPrintable(QString::number(host.page->minimumSizeHint().width())));
        QVERIFY2(host.page->layout()->totalHeightForWidth(1220) <= 620,
                 qPrintable(QString::number(host.page->layout()->totalHeightForWidth(1220))));
    }

    void captionsAreNotClipped_data()
    {
        QTest::addColumn<QString>("page");
        for (const char *page : {"institution", "rules", "statistics", "activelost"})
            QTest::newRow(page) << page;
    }

    void captionsAreNotClipped()
    {
        QFETCH(QString, page);
        Host host(page);
        QVERIFY(host.active);
        const QList<QLabel *> labels = host.page->findChildren<QLabel *>();
        QVERIFY(!labels.isEmpty());
        for (QLabel *label : labels) {
            const bool fits = label->wordWrap() ? label->heightForWidth(label->width()) <= label->height()
                                                : label->sizeHint().width() <= label->width();
            QVERIFY2(fits, qPrintable(label->text()));
        }
    }

    void tabOrder_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("institution") << "institution"
                                     << QStringList{"cb_forma_inst", "e_nazwa_inst", "e_nip_inst",    "e_krs_inst",
                                                    "e_adres_inst",  "e_kod_inst",   "e_miasto_inst", "e_tel_inst",
                                                    "dt_rok_inst",   "e_fax_inst",   "e_mail_inst"};
        QTest::newRow("rules") << "rules"
                               << QStringList{"cb_fundusz", "cb_analiza", "cb_syt",     "cb_pot",      "e_zinne",
                                              "cb_kwal",    "jv_max",     "jv_min_opr", "cb_wym_tech", "cb_wym_eko",
                                              "cb_wym_usl", "cb_et_zaw",  "Okres_spl"};
        QTest::newRow("active and lost") << "activelost"
                                         << QStringList{"Jvl_poz_akt",     "Jvw_poz_akt",   "Jvl_splac_term",
                                                        "Jvw_splac_term",  "Jvl_po_31_180", "Jvw_po_31_180",
                                                        "Jvl_poz_strac",   "Jv_poz_strac",  "Jvl_wspol_strat",
                                                        "Jvw_wspol_strat", "Jvl_pw",        "Jvw_pw",
                                                        "Jvl_po_180",      "Jvw_po_180"};
    }

    void tabOrder()
    {
        QFETCH(QString, page);
        QFETCH(QStringList, order);
        Host host(page);
        QVERIFY(host.active);
        host.enter(host.control(order.first()));
        QStringList visited{QApplication::focusWidget()->objectName()};
        while (visited.size() < order.size()) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, order);
    }

    void activeLostRatioFields()
    {
        Host host(QStringLiteral("activelost"));
        QVERIFY(host.active);
        auto *byNumber = host.control<pages::NumericEdit>(QStringLiteral("Jvl_wspol_strat"));
        auto *byValue = host.control<pages::NumericEdit>(QStringLiteral("Jvw_wspol_strat"));
        QCOMPARE(byNumber->kind(), store::FieldKind::Decimal);
        QCOMPARE(byValue->kind(), store::FieldKind::Decimal);
        host.model.setNumber(QStringLiteral("Jvl_wspol_strat"), 12.345678);
        host.model.setNumber(QStringLiteral("Jvw_wspol_strat"), 3.5);
        QCOMPARE(byNumber->text(), QStringLiteral("12,35 %"));
        QCOMPARE(byValue->text(), QStringLiteral("3,50"));
        QCOMPARE(host.control<pages::NumericEdit>(QStringLiteral("Jvw_poz_akt"))->kind(), store::FieldKind::Money);
        QCOMPARE(host.control<pages::NumericEdit>(QStringLiteral("Jvl_poz_akt"))->kind(), store::FieldKind::Count);
    }

    void bindingBothWays()
    {
        Host host(QStringLiteral("institution"));
        QVERIFY(host.active);
        store::PageModel &model = host.model;

        // Loads reach the controls.
        model.setText(QStringLiteral("e_nazwa_inst"), QStringLiteral("Fundusz Łódź"));
        QCOMPARE(host.control<QLineEdit>(QStringLiteral("e_nazwa_inst"))->text(), QStringLiteral("Fundusz Łódź"));

        // Typing reaches the model before the field is left.
        auto *krs = host.control<QLineEdit>(QStringLiteral("e_krs_inst"));
        host.enter(krs);
        QTest::keyClicks(krs, QStringLiteral("0000123"));
        QCOMPARE(model.text(QStringLiteral("e_krs_inst")), QStringLiteral("0000123"));
        QCOMPARE(krs->cursorPosition(), 7);

        // A loaded text that is none of the items is shown as one extra item until the next load.
        auto *form = host.control<QComboBox>(QStringLiteral("cb_forma_inst"));
        model.setText(QStringLiteral("cb_forma_inst"), QStringLiteral("Spółdzielnia"));
        QCOMPARE(form->currentText(), QStringLiteral("Spółdzielnia"));
        QCOMPARE(form->count(), 6);
        host.enter(form);
        QTest::keyClick(form, Qt::Key_Up);
        QCOMPARE(model.text(QStringLiteral("cb_forma_inst")), QStringLiteral("Stowarzyszenie"));
        model.setText(QStringLiteral("cb_forma_inst"), QStringLiteral("Fundacja"));
        QCOMPARE(form->currentText(), QStringLiteral("Fundacja"));
        QCOMPARE(form->count(), 5);

        // The date picker holds no date as well as a date.
        auto *founded = host.control<pages::DateEdit>(QStringLiteral("dt_rok_inst"));
        QVERIFY(!founded->optionalDate().isValid());
        QCOMPARE(founded->text().trimmed(), QString());
        model.setDate(QStringLiteral("dt_rok_inst"), QDate(1998, 5, 12));
        QCOMPARE(founded->text(), QStringLiteral("12.05.1998"));
        host.enter(founded);
        QTest::keyClick(founded, Qt::Key_Up);
        QCOMPARE(model.date(QStringLiteral("dt_rok_inst")), QDate(1998, 5, 13));
        QTest::keyClick(founded, Qt::Key_Delete);
        QVERIFY(!model.date(QStringLiteral("dt_rok_inst")).isValid());
        QCOMPARE(founded->text().trimmed(), QString());
        QTest::keyClick(founded, Qt::Key_Up);
        QCOMPARE(model.date(QStringLiteral("dt_rok_inst")), QDate::currentDate());
    }
};

QTEST_MAIN(TestPages)
#include "tst_pages.moc"
