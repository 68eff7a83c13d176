#include "demofund.h"

#include "db/connection.h"
#include "db/error.h"
#include "db/money.h"
#include "db/query.h"
#include "db/sqlscript.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <QHash>

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <vector>

namespace demo {

namespace {

// A small generator of our own (splitmix64): the standard library's distributions
// differ between implementations, and the fund must be the same everywhere.
class Random
{
public:
    explicit Random(quint64 seed) : m_state(seed) {}

    quint64 next()
    {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // A whole number from lo to hi, both included.
    qint64 between(qint64 lo, qint64 hi) { return lo + qint64(next() % quint64(hi - lo + 1)); }
    double unit() { return double(next() >> 11) * 0x1.0p-53; }
    bool chance(double p) { return unit() < p; }
    template <typename T, std::size_t N>
    const T &pick(const std::array<T, N> &items)
    {
        return items[next() % N];
    }
    // An index into `weights` chosen in proportion to them.
    template <std::size_t N>
    int weighted(const std::array<double, N> &weights)
    {
        double total = 0;
        for (double w : weights)
            total += w;
        double x = unit() * total;
        for (std::size_t i = 0; i < N; ++i) {
            if (x < weights[i])
                return int(i);
            x -= weights[i];
        }
        return int(N - 1);
    }

private:
    quint64 m_state;
};

// Amounts are handled in grosze and bound as exact money.
db::Money grosze(qint64 g)
{
    return db::Money::fromUnits(g * (db::Money::Scale / 100));
}

db::Param orNull(bool present, const db::Param &value)
{
    return present ? value : db::Param();
}

QString s(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// Names and places, Polish letters included: they travel to the database as
// Windows-1250 through the connection.
const std::array<const char *, 30> WomenNames{
    "Anna",     "Maria",  "Katarzyna", "Małgorzata", "Agnieszka", "Barbara", "Ewa",    "Krystyna",
    "Elżbieta", "Zofia",  "Joanna",    "Magdalena",  "Monika",    "Teresa",  "Danuta", "Jadwiga",
    "Halina",   "Irena",  "Beata",     "Aleksandra", "Dorota",    "Grażyna", "Bożena", "Jolanta",
    "Urszula",  "Żaneta", "Łucja",     "Iwona",      "Renata",    "Justyna"};
const std::array<const char *, 30> MenNames{"Jan",     "Andrzej", "Piotr",    "Krzysztof", "Stanisław", "Tomasz",
                                            "Paweł",   "Józef",   "Marcin",   "Marek",     "Michał",    "Grzegorz",
                                            "Jerzy",   "Tadeusz", "Adam",     "Łukasz",    "Zbigniew",  "Ryszard",
                                            "Dariusz", "Henryk",  "Mariusz",  "Kazimierz", "Wojciech",  "Robert",
                                            "Mateusz", "Jacek",   "Sławomir", "Bogdan",    "Zdzisław",  "Przemysław"};
// Surnames in their masculine form; -ski, -cki and -dzki take -ska, -cka, -dzka for women.
const std::array<const char *, 56> Surnames{
    "Nowak",     "Kowalski",   "Wiśniewski", "Wójcik",     "Kowalczyk", "Kamiński",  "Lewandowski",   "Zieliński",
    "Szymański", "Woźniak",    "Dąbrowski",  "Kozłowski",  "Jankowski", "Mazur",     "Wojciechowski", "Kwiatkowski",
    "Krawczyk",  "Kaczmarek",  "Piotrowski", "Grabowski",  "Zając",     "Pawłowski", "Michalski",     "Król",
    "Wieczorek", "Jabłoński",  "Wróbel",     "Nowakowski", "Majewski",  "Olszewski", "Stępień",       "Malinowski",
    "Jaworski",  "Adamczyk",   "Dudek",      "Nowicki",    "Pawlak",    "Górski",    "Witkowski",     "Walczak",
    "Sikora",    "Baran",      "Rutkowski",  "Michalak",   "Szewczyk",  "Ostrowski", "Tomaszewski",   "Pietrzak",
    "Zalewski",  "Wróblewski", "Jasiński",   "Marciniak",  "Bąk",       "Żak",       "Łuczak",        "Ślusarczyk"};
const std::array<const char *, 18> PersonalBusinesses{"Usługi Remontowo-Budowlane",
                                                      "Sklep Spożywczy",
                                                      "Zakład Fryzjerski",
                                                      "Warsztat Samochodowy",
                                                      "Gabinet Kosmetyczny",
                                                      "Piekarnia",
                                                      "Transport Drogowy",
                                                      "Biuro Rachunkowe",
                                                      "Gospodarstwo Ogrodnicze",
                                                      "Pracownia Krawiecka",
                                                      "Kwiaciarnia",
                                                      "Usługi Ogólnobudowlane",
                                                      "Stolarstwo",
                                                      "Ślusarstwo",
                                                      "Firma Handlowo-Usługowa",
                                                      "Agroturystyka",
                                                      "Usługi Elektroinstalacyjne",
                                                      "Sklep Przemysłowy"};
const std::array<const char *, 14> FirmKinds{"Przedsiębiorstwo Handlowe",
                                             "Zakład Produkcyjny",
                                             "Hurtownia Spożywcza",
                                             "Przetwórnia Owoców",
                                             "Tartak",
                                             "Drukarnia",
                                             "Przedsiębiorstwo Budowlane",
                                             "Zakład Usług Leśnych",
                                             "Biuro Projektowe",
                                             "Pracownia Mebli",
                                             "Centrum Ogrodnicze",
                                             "Przedsiębiorstwo Transportowe",
                                             "Zakład Mięsny",
                                             "Młyn"};
const std::array<const char *, 20> FirmNames{
    "Łąka",     "Źródło", "Żuraw", "Dąb",       "Sosna", "Wisła", "Pomorze", "Świt",       "Zorza", "Jutrzenka",
    "Mazowsze", "Krokus", "Bór",   "Pszczółka", "Kłos",  "Jeżyk", "Wrzos",   "Słonecznik", "Góral", "Bałtyk"};
const std::array<const char *, 4> FirmForms{"Sp. z o.o.", "s.c.", "Sp. j.", "S.A."};

struct Place
{
    const char *town;
    const char *postcode;
    int area; // OBSZAR: 1 urban, 2 rural, 3 urban-rural commune
};
const std::array<Place, 28> Places{{
    {"Łódź", "90-001", 1},
    {"Zgierz", "95-100", 1},
    {"Pabianice", "95-200", 1},
    {"Piotrków Trybunalski", "97-300", 1},
    {"Skierniewice", "96-100", 1},
    {"Łowicz", "99-400", 1},
    {"Kutno", "99-300", 1},
    {"Sieradz", "98-200", 1},
    {"Bełchatów", "97-400", 1},
    {"Tomaszów Mazowiecki", "97-200", 1},
    {"Zduńska Wola", "98-220", 1},
    {"Łęczyca", "99-100", 3},
    {"Głowno", "95-015", 3},
    {"Stryków", "95-010", 3},
    {"Poddębice", "99-200", 3},
    {"Wieluń", "98-300", 3},
    {"Rawa Mazowiecka", "96-200", 3},
    {"Brzeziny", "95-060", 3},
    {"Żychlin", "99-320", 3},
    {"Uniejów", "99-210", 3},
    {"Bratoszewice", "95-010", 2},
    {"Parzęczew", "95-045", 2},
    {"Dobroń", "95-082", 2},
    {"Ksawerów", "95-054", 2},
    {"Rzgów", "95-030", 2},
    {"Nowosolna", "92-703", 2},
    {"Wiśniowa Góra", "95-020", 2},
    {"Dłutów", "95-081", 2},
}};
const std::array<const char *, 16> Streets{"ul. Piotrkowska",  "ul. Kościuszki", "ul. Mickiewicza", "ul. Słowackiego",
                                           "ul. Żeromskiego",  "ul. Łąkowa",     "ul. Źródlana",    "ul. Ogrodowa",
                                           "ul. Kościelna",    "ul. Polna",      "ul. Szkolna",     "ul. Długa",
                                           "ul. Świętojańska", "ul. Wólczańska", "ul. Zgierska",    "ul. Pułaskiego"};

// PKD subclasses; a few old entries carry no division, so their sector comes from
// the subclass digits.
struct PkdEntry
{
    const char *podklasa;
    const char *dzial; // nullptr: no division
    const char *nazwa;
};
const std::array<PkdEntry, 50> PkdEntries{{
    {"01.11.Z", "01", "Uprawa zbóż, roślin strączkowych i roślin oleistych na nasiona"},
    {"01.13.Z", "01", "Uprawa warzyw, włączając melony, oraz roślin korzeniowych i bulwiastych"},
    {"01.41.Z", "01", "Chów i hodowla bydła mlecznego"},
    {"01.47.Z", "01", "Chów i hodowla drobiu"},
    {"02.20.Z", "02", "Pozyskiwanie drewna"},
    {"08.12.Z", "08", "Wydobywanie żwiru i piasku; wydobywanie gliny i kaolinu"},
    {"10.13.Z", "10", "Produkcja wyrobów z mięsa, włączając wyroby z mięsa drobiowego"},
    {"10.71.Z", "10", "Produkcja pieczywa; produkcja świeżych wyrobów ciastkarskich i ciastek"},
    {"13.92.Z", "13", "Produkcja gotowych wyrobów tekstylnych"},
    {"14.13.Z", "14", "Produkcja pozostałej odzieży wierzchniej"},
    {"16.23.Z", "16", "Produkcja pozostałych wyrobów stolarskich i ciesielskich dla budownictwa"},
    {"18.12.Z", "18", "Pozostałe drukowanie"},
    {"25.62.Z", "25", "Obróbka mechaniczna elementów metalowych"},
    {"31.09.Z", "31", "Produkcja pozostałych mebli"},
    {"33.12.Z", "33", "Naprawa i konserwacja maszyn"},
    {"35.11.Z", "35", "Wytwarzanie energii elektrycznej"},
    {"38.11.Z", "38", "Zbieranie odpadów innych niż niebezpieczne"},
    {"41.20.Z", "41", "Roboty budowlane związane ze wznoszeniem budynków mieszkalnych i niemieszkalnych"},
    {"42.11.Z", "42", "Roboty związane z budową dróg i autostrad"},
    {"43.21.Z", "43", "Wykonywanie instalacji elektrycznych"},
    {"43.32.Z", "43", "Zakładanie stolarki budowlanej"},
    {"43.99.Z", "43", "Pozostałe specjalistyczne roboty budowlane, gdzie indziej niesklasyfikowane"},
    {"45.20.Z", "45", "Konserwacja i naprawa pojazdów samochodowych, z wyłączeniem motocykli"},
    {"45.32.Z", "45", "Sprzedaż detaliczna części i akcesoriów do pojazdów samochodowych"},
    {"46.39.Z", "46", "Sprzedaż hurtowa niewyspecjalizowana żywności, napojów i wyrobów tytoniowych"},
    {"47.11.Z", "47", "Sprzedaż detaliczna w niewyspecjalizowanych sklepach z przewagą żywności"},
    {"47.71.Z", "47", "Sprzedaż detaliczna odzieży prowadzona w wyspecjalizowanych sklepach"},
    {"47.76.Z", "47", "Sprzedaż detaliczna kwiatów, roślin, nasion i nawozów"},
    {"47.81.Z", "47", "Sprzedaż detaliczna żywności na straganach i targowiskach"},
    {"49.32.Z", "49", "Działalność taksówek osobowych"},
    {"49.41.Z", "49", "Transport drogowy towarów"},
    {"52.29.C", "52", "Działalność pozostałych agencji transportowych"},
    {"55.10.Z", "55", "Hotele i podobne obiekty zakwaterowania"},
    {"56.10.A", "56", "Restauracje i inne stałe placówki gastronomiczne"},
    {"62.01.Z", "62", "Działalność związana z oprogramowaniem"},
    {"68.20.Z", "68", "Wynajem i zarządzanie nieruchomościami własnymi lub dzierżawionymi"},
    {"69.20.Z", "69", "Działalność rachunkowo-księgowa; doradztwo podatkowe"},
    {"71.11.Z", "71", "Działalność w zakresie architektury"},
    {"74.20.Z", "74", "Działalność fotograficzna"},
    {"77.11.Z", "77", "Wynajem i dzierżawa samochodów osobowych i furgonetek"},
    {"81.22.Z", "81", "Specjalistyczne sprzątanie budynków i obiektów przemysłowych"},
    {"85.59.B", "85", "Pozostałe pozaszkolne formy edukacji"},
    {"86.23.Z", "86", "Praktyka lekarska dentystyczna"},
    {"88.91.Z", "88", "Opieka dzienna nad dziećmi"},
    {"95.23.Z", "95", "Naprawa obuwia i wyrobów skórzanych"},
    {"96.02.Z", nullptr, "Fryzjerstwo i pozostałe zabiegi kosmetyczne"},
    {"96.09.Z", nullptr, "Pozostała działalność usługowa, gdzie indziej niesklasyfikowana"},
    {"52.11.Z", nullptr, "Sprzedaż detaliczna w niewyspecjalizowanych sklepach (PKD 2004)"},
    {"97.00.Z", "97", "Gospodarstwa domowe zatrudniające pracowników"},
    {"98.10.Z", "98", "Gospodarstwa domowe produkujące wyroby na własne potrzeby"},
}};

// Chart of accounts: two loan-capital accounts, the capital under recovery, the
// interest, the fees and the bank account (no contract accounts on the last).
const char *const CapitalOwn = "141";
const char *const CapitalGrant = "144";
const char *const Recovery = "142";
const char *const Interest = "143";
const char *const Fees = "145";

enum class Doc : quint8 { Payout, Bank, InterestCharge, Transfer, Fee };

const char *docCode(Doc d)
{
    switch (d) {
    case Doc::Payout:
        return "WY";
    case Doc::Bank:
        return "WB";
    case Doc::InterestCharge:
        return "NO";
    case Doc::Transfer:
        return "PK";
    case Doc::Fee:
        return "OP";
    }
    return "";
}

// One ledger entry before it gets its key: entries are posted in date order
// across all contracts, as a ledger grows.
struct Entry
{
    QDate date;
    int account;
    qint64 wn;
    qint64 ma;
    Doc doc;
    bool cancelled;
    const char *description;
};

struct Client
{
    int id;
    QDate firstContract;
};

// The prepared insert statements, one per table.
class Inserts
{
public:
    explicit Inserts(db::Connection &c)
        : slownik(c, QStringLiteral("insert into SLOWNIK (NR, RODZIC, KOD, NAZWA) values (:d0, :d1, :d2, :d3)")),
          pkdSlownik(c, QStringLiteral("insert into PKD_SLOWNIK (IDSLOWNIKA, PODKLASA, DZIAL, NAZWA) "
                                       "values (:d0, :d1, :d2, :d3)")),
          plankt(c, QStringLiteral("insert into PLANKT (NR_KT, NAZWA, TYPKONTA) values (:d0, :d1, :d2)")),
          klient(c, QStringLiteral("insert into KLIENT (NR_KLIENTA, STATUS, IMIE, NAZWISKO, NAZWANIP, PESEL, NIP, "
                                   "REGON, KOD, MIASTO, ULICA, TELEFON, FORMA_PRAWNA, RODZAJDZIAL, WP, DATAROZDZ, "
                                   "PLEC) values (:d0, :d1, :d2, :d3, :d4, :d5, :d6, :d7, :d8, :d9, :d10, :d11, "
                                   ":d12, :d13, :d14, :d15, :d16)")),
          pkd(c, QStringLiteral("insert into PKD (IDPKD, KLIENT, ID_SL_PKD, GLOWNY) values (:d0, :d1, :d2, :d3)")),
          umowy(c, QStringLiteral("insert into UMOWY (IDUMOWY, NUMER, NRKLIENTA, DATAUMOWY, KWOTAKREDYTU, "
                                  "OPROCENTOWANIE, LICZBARAT, CPOZYCZKI, REZERWA, DATA_REZ, ROZLICZONY, "
                                  "DATAWYPLATY, RU) values (:d0, :d1, :d2, :d3, :d4, :d5, :d6, :d7, :d8, :d9, "
                                  ":d10, :d11, :d12)")),
          wnioski(c, QStringLiteral("insert into WNIOSKI (IDWNIOSKU, IDUMOWY, NRKLIENTA, DATAWNIOSKU, "
                                    "KWOTAWNIOSKOWANA, DECYZJA, OBSZAR) values (:d0, :d1, :d2, :d3, :d4, :d5, :d6)")),
          stan(c, QStringLiteral("insert into STAN (IDSTAN, NRUMOWY, KONTO) values (:d0, :d1, :d2)")),
          terminarz(c, QStringLiteral("insert into TERMINARZ (IDTERMINARZA, IDSTANU, LP, DATATRANSZY, KWTRANSZY, "
                                      "KWRATY, DATASPLATY) values (:d0, :d1, :d2, :d3, :d4, :d5, :d6)")),
          dekret(c, QStringLiteral("insert into DEKRET (IDDEKRETU, IDSTANU, DATADEKRETU, KODDOK, NRDOK, KWOTA_WN, "
                                   "KWOTA_MA, INFDOD, OPIS) values (:d0, :d1, :d2, :d3, :d4, :d5, :d6, :d7, :d8)"))
    {
    }

    db::Query slownik, pkdSlownik, plankt, klient, pkd, umowy, wnioski, stan, terminarz, dekret;
};

// The whole fund, generated contract by contract in the order of signing.
class FundBuilder
{
public:
    FundBuilder(db::Connection &lokra, const FundOptions &options)
        : m_lokra(lokra), m_options(options), m_random(options.seed), m_insert(lokra)
    {
    }

    FundSummary build();

private:
    void dictionaries();
    void firma();
    Client &newClient(QDate firstContract);
    void clientPkd(int client);
    void contract(int id, QDate signed_);
    int account(int contract, const char *konto);
    void schedule(int account, int lp, QDate date, qint64 tranche, qint64 instalment, QDate paid);
    void post(int account, QDate date, qint64 wn, qint64 ma, Doc doc, const char *description, bool cancelled = false);
    void writeLedger();
    void recomputeStatistics();

    db::Connection &m_lokra;
    FundOptions m_options;
    Random m_random;
    Inserts m_insert;
    FundSummary m_summary;
    std::vector<Client> m_clients;
    std::vector<Entry> m_entries;
    int m_nextPkd = 1;
    int m_nextApplication = 1;
    int m_nextAccount = 1;
    qint64 m_nextSchedule = 1;
};

void FundBuilder::dictionaries()
{
    struct Word
    {
        int nr;
        int rodzic;
        const char *kod;
        const char *nazwa;
    };
    static const Word words[]{
        {4, 0, nullptr, "Cele pożyczki"},
        {12, 0, nullptr, "Formy prawne"},
        {30, 0, nullptr, "Rodzaj działalności"},
        {101, 4, "001", "Pożyczka obrotowa"},
        {102, 4, "002", "Pożyczka inwestycyjna"},
        {103, 4, "003", "Pożyczka inwestycyjno-obrotowa"},
        {104, 4, "004", "Pożyczka na inne cele"},
        {105, 4, "0", "Cel nieokreślony"},
        {121, 12, "01", "Osoba fizyczna prowadząca działalność gospodarczą"},
        {122, 12, "02", "Spółka cywilna"},
        {123, 12, "03", "Spółka z ograniczoną odpowiedzialnością"},
        {124, 12, "04", "Spółdzielnia"},
        {125, 12, "05", "Fundacja"},
        {126, 12, "06", "Stowarzyszenie"},
        {301, 30, "P", "Produkcja"},
        {302, 30, "H", "Handel"},
        {303, 30, "U", "Usługi"},
        {304, 30, "B", "Budownictwo"},
        {305, 30, "R", "Rolnictwo"},
    };
    for (const Word &w : words) {
        m_insert.slownik.execute({w.nr, w.rodzic, orNull(w.kod != nullptr, s(w.kod ? w.kod : "")), s(w.nazwa)});
        ++m_summary.rows;
    }
    for (std::size_t i = 0; i < PkdEntries.size(); ++i) {
        const PkdEntry &e = PkdEntries[i];
        m_insert.pkdSlownik.execute(
            {int(i) + 1, s(e.podklasa), orNull(e.dzial != nullptr, s(e.dzial ? e.dzial : "")), s(e.nazwa)});
        ++m_summary.rows;
    }
    struct Account
    {
        const char *nr;
        const char *nazwa;
        int typ;
    };
    static const Account accounts[]{
        {"130", "Rachunek bankowy funduszu", 0},
        {CapitalOwn, "Pożyczki udzielone - kapitał ze środków własnych", 1},
        {CapitalGrant, "Pożyczki udzielone - kapitał ze środków dotacji", 1},
        {Recovery, "Pożyczki wypowiedziane - kapitał w windykacji", 2},
        {Interest, "Należne odsetki od pożyczek", 3},
        {Fees, "Prowizje i opłaty od pożyczek", 0},
    };
    for (const Account &a : accounts) {
        m_insert.plankt.execute({s(a.nr), s(a.nazwa), a.typ});
        ++m_summary.rows;
    }
}

void FundBuilder::firma()
{
    db::Query q(m_lokra, QStringLiteral("insert into FIRMA (NR_REKORDU, WERSJA, NAZWA, KOD, MIASTO, ULICA, NIP, "
                                        "REGON, KRS, TELEFON, TELEFON2, EMAIL, FORM_PRAWNA, DATAROZDZ) values (:d0, "
                                        ":d1, :d2, :d3, :d4, :d5, :d6, :d7, :d8, :d9, :d10, :d11, :d12, :d13)"));
    q.execute({1, s("4.17P"), s("Fundusz Pożyczkowy Ziemi Łódzkiej"), s("90-006"), s("Łódź"), s("ul. Piotrkowska 112"),
               s("725-18-34-561"), s("473128805"), s("0000204411"), s("42 630 12 34"), s("42 630 12 35"),
               s("biuro@fundusz-lodzki.pl"), 125, QDate(2004, 5, 12)});
    ++m_summary.rows;
}

QString digits(Random &r, int count)
{
    QString out;
    for (int i = 0; i < count; ++i)
        out += QChar(u'0' + int(r.between(0, 9)));
    return out;
}

QString femaleSurname(const QString &masculine)
{
    for (const char *ending : {"ski", "cki", "dzki"}) {
        const QString e = QString::fromLatin1(ending);
        if (masculine.endsWith(e))
            return masculine.left(masculine.size() - 1) + u'a';
    }
    return masculine;
}

Client &FundBuilder::newClient(QDate firstContract)
{
    Random &r = m_random;
    const int id = int(m_clients.size()) + 1;
    m_clients.push_back({id, firstContract});
    ++m_summary.clients;

    const bool person = r.chance(0.75);
    const Place &place = r.pick(Places);
    const QString street = s(r.pick(Streets)) + u' ' + QString::number(r.between(1, 180));
    const QString nip = digits(r, 3) + u'-' + digits(r, 3) + u'-' + digits(r, 2) + u'-' + digits(r, 2);
    const bool woman = r.chance(0.42);
    const QString first = s(woman ? r.pick(WomenNames) : r.pick(MenNames));
    const QString surname = woman ? femaleSurname(s(r.pick(Surnames))) : s(r.pick(Surnames));

    QString name;
    db::Param sex;
    db::Param wp;
    int legalForm = 121;
    if (person) {
        name = r.chance(0.7) ? s(r.pick(PersonalBusinesses)) + u' ' + first + u' ' + surname : first + u' ' + surname;
        // Most natural persons have their sex recorded; a few were left unchosen.
        const double x = r.unit();
        sex = x < 0.97 ? db::Param(woman ? 1 : 2) : x < 0.985 ? db::Param(0) : db::Param();
        const int kind = r.weighted(std::array<double, 6>{88, 6, 2, 2.5, 1, 0.5});
        static const int codes[]{1, 2, 4, -1, 0, 6};
        wp = codes[kind] < 0 ? db::Param() : db::Param(codes[kind]);
    } else {
        const int kind = r.weighted(std::array<double, 7>{40, 30, 12, 6, 8, 3, 1});
        static const int codes[]{1, 2, 3, 4, 5, -1, 0};
        wp = codes[kind] < 0 ? db::Param() : db::Param(codes[kind]);
        if (codes[kind] == 5) {
            name = s("Spółdzielnia Socjalna \"") + s(r.pick(FirmNames)) + u'"';
            legalForm = 124;
        } else {
            const QString form = s(r.pick(FirmForms));
            name = s(r.pick(FirmKinds)) + QStringLiteral(" \"") + s(r.pick(FirmNames)) + QStringLiteral("\" ") + form;
            legalForm = form == u"s.c." ? 122 : 123;
        }
        // A firm's record carries the owner's sex when one person runs it.
        sex = r.chance(0.6) ? db::Param(woman ? 1 : 2) : db::Param(0);
    }
    // Registration of the business: a quarter within a year before the first loan.
    QDate registered;
    const double reg = r.unit();
    if (reg < 0.28)
        registered = firstContract.addDays(-r.between(0, 365));
    else if (reg < 0.975)
        registered = firstContract.addDays(-r.between(366, 9000));
    const int activity = 301 + int(r.between(0, 4));

    m_insert.klient.execute({
        id,
        person ? s("K") : s("F"),
        orNull(person, first),
        orNull(person, surname),
        name,
        orNull(person, digits(r, 11)),
        nip,
        orNull(!person, digits(r, 9)),
        s(place.postcode),
        s(place.town),
        street,
        person ? QStringLiteral("6%1 %2 %3").arg(digits(r, 2), digits(r, 3), digits(r, 3))
               : QStringLiteral("42 %1 %2 %3").arg(digits(r, 3), digits(r, 2), digits(r, 2)),
        legalForm,
        activity,
        wp,
        db::Param(registered),
        sex,
    });
    ++m_summary.rows;
    clientPkd(id);
    return m_clients.back();
}

void FundBuilder::clientPkd(int client)
{
    Random &r = m_random;
    auto insert = [&](int entry, int main) {
        m_insert.pkd.execute({m_nextPkd++, client, entry, main});
        ++m_summary.rows;
    };
    const int entries = int(PkdEntries.size());
    const double x = r.unit();
    if (x < 0.03)
        return; // no PKD entry at all
    if (x < 0.04) {
        insert(entries + 1 + int(r.between(0, 20)), 1); // an entry whose subclass was deleted
        return;
    }
    if (x < 0.05) {
        // Only secondary entries: which one comes first is the database's choice.
        insert(int(r.between(1, entries)), 0);
        insert(int(r.between(1, entries)), 0);
        return;
    }
    const int main = int(r.between(1, entries));
    const int secondary = r.chance(0.4) ? int(r.between(1, 2)) : 0;
    const bool secondaryFirst = r.chance(0.3);
    if (!secondaryFirst)
        insert(main, 1);
    for (int i = 0; i < secondary; ++i)
        insert(int(r.between(1, entries)), 0);
    if (secondaryFirst)
        insert(main, 1);
}

int FundBuilder::account(int contract, const char *konto)
{
    const int id = m_nextAccount++;
    m_insert.stan.execute({id, contract, s(konto)});
    ++m_summary.rows;
    return id;
}

void FundBuilder::schedule(int account, int lp, QDate date, qint64 tranche, qint64 instalment, QDate paid)
{
    m_insert.terminarz.execute(
        {m_nextSchedule++, account, lp, date, grosze(tranche), grosze(instalment), db::Param(paid)});
    ++m_summary.scheduleRows;
    ++m_summary.rows;
}

void FundBuilder::post(int account, QDate date, qint64 wn, qint64 ma, Doc doc, const char *description, bool cancelled)
{
    if (date > m_options.ledgerEnd)
        return;
    m_entries.push_back({date, account, wn, ma, doc, cancelled, description});
}

QDate dueDate(QDate month, int day)
{
    return QDate(month.year(), month.month(), std::min(day, month.daysInMonth()));
}

// One contract with its application, accounts, schedule and ledger, as the fund
// has recorded it up to the ledger's end.
void FundBuilder::contract(int id, QDate signed_)
{
    Random &r = m_random;
    const QDate end = m_options.ledgerEnd;

    // The client: a fifth of the loans go to a client who borrowed before.
    const bool repeat = m_clients.size() > 20 && r.chance(0.2);
    const Client client =
        repeat ? m_clients[std::size_t(r.between(0, qint64(m_clients.size()) - 1))] : newClient(signed_);
    db::Param ru;
    if (repeat) {
        static const int kinds[]{4, 2, 3};
        ru = kinds[r.weighted(std::array<double, 3>{65, 20, 15})];
    } else {
        const int kind = r.weighted(std::array<double, 3>{88, 5, 7});
        ru = kind == 0 ? db::Param(1) : kind == 1 ? db::Param(0) : db::Param();
    }

    // Amount by loan-size bracket, in whole 500 zł.
    static const std::array<std::pair<qint64, qint64>, 6> brackets{
        {{2000, 10000}, {10500, 30000}, {30500, 50000}, {50500, 120000}, {120500, 300000}, {300500, 600000}}};
    const auto [low, high] = brackets[std::size_t(r.weighted(std::array<double, 6>{25, 30, 20, 16, 7, 2}))];
    const qint64 amount = (low + r.between(0, (high - low) / 500) * 500) * 100;
    const int term = int(amount <= 1000000   ? r.between(12, 36)
                         : amount <= 5000000 ? r.between(18, 60)
                                             : r.between(36, 84));
    const int grace = r.chance(0.3) ? int(r.between(1, 6)) : 0;
    const int instalments = std::max(6, term - grace);
    const qint64 rateBp = r.between(400, 900); // yearly interest in hundredths of a per cent

    // Purpose (SLOWNIK group 4), some missing or without a usable code.
    static const int purposes[]{101, 102, 103, 104, 105, 0};
    const int purpose = purposes[r.weighted(std::array<double, 6>{45, 35, 15, 2, 1, 2})];

    // Tranches: larger loans are often paid out in two or three.
    const int tranches = amount > 5000000 ? 1 + r.weighted(std::array<double, 3>{75, 18, 7})
                                          : 1 + r.weighted(std::array<double, 3>{95, 4, 1});
    std::vector<QDate> trancheDates;
    std::vector<qint64> trancheAmounts;
    QDate d = signed_.addDays(r.between(2, 21));
    qint64 left = amount;
    for (int t = 0; t < tranches; ++t) {
        trancheDates.push_back(d);
        const qint64 part = t + 1 == tranches ? left : (amount / tranches / 10000) * 10000;
        trancheAmounts.push_back(part);
        left -= part;
        d = d.addDays(r.between(14, 75));
    }
    // Now and then the last tranche is paid out smaller than agreed.
    if (r.chance(0.015))
        trancheAmounts.back() -= (trancheAmounts.back() / 100 * r.between(5, 20) / 100) * 100;
    const bool secondCapital = tranches > 1 && r.chance(0.15);
    const char *capitalKonto = r.chance(0.15) ? CapitalGrant : CapitalOwn;

    const int capital = account(id, capitalKonto);
    const int capital2 = secondCapital ? account(id, capitalKonto == CapitalOwn ? CapitalGrant : CapitalOwn) : 0;
    const int interest = account(id, Interest);
    const int fees = account(id, Fees);

    qint64 paidOut = 0;
    const bool withSchedule = !r.chance(0.005);
    for (int t = 0; t < tranches; ++t) {
        const int acc = t > 0 && capital2 ? capital2 : capital;
        const bool paid = trancheDates[t] <= end;
        if (withSchedule)
            schedule(acc, t + 1, trancheDates[t], trancheAmounts[t], 0, paid ? trancheDates[t] : QDate());
        if (!paid)
            continue;
        // A payout posted by mistake and reversed the same day stays in the ledger marked ST.
        if (r.chance(0.01)) {
            post(acc, trancheDates[t], trancheAmounts[t], 0, Doc::Payout, "Wypłata transzy", true);
            post(acc, trancheDates[t], 0, trancheAmounts[t], Doc::Payout, "Storno wypłaty", true);
        }
        post(acc, trancheDates[t], trancheAmounts[t], 0, Doc::Payout, "Wypłata transzy");
        paidOut += trancheAmounts[t];
    }
    const QDate firstPayout = trancheDates.front() <= end ? trancheDates.front() : QDate();
    if (firstPayout.isValid()) {
        const qint64 fee = amount / 100;
        post(fees, firstPayout, fee, 0, Doc::Fee, "Prowizja od udzielenia pożyczki");
        post(fees, firstPayout, 0, fee, Doc::Bank, "Zapłata prowizji");
    }

    // Monthly capital instalments of the amount paid out, after the grace months.
    const qint64 scheduled = std::accumulate(trancheAmounts.begin(), trancheAmounts.end(), qint64(0));
    const int payday = int(r.between(5, 28));
    QDate month = QDate(trancheDates.back().year(), trancheDates.back().month(), 1).addMonths(1 + grace);
    std::vector<QDate> due;
    std::vector<qint64> capitalDue;
    for (int i = 0; i < instalments; ++i) {
        due.push_back(dueDate(month.addMonths(i), payday));
        capitalDue.push_back(i + 1 == instalments ? scheduled - (scheduled / instalments) * (instalments - 1)
                                                  : scheduled / instalments);
    }

    // How the client pays: on time, irregularly, early, or stops paying.
    const int behaviour = r.weighted(std::array<double, 4>{68, 12, 7, 13});
    const int stopAt = behaviour == 3 ? int(r.between(0, instalments - 1)) : instalments;
    const int payoffAt = behaviour == 2 ? int(r.between(2, instalments - 1)) : instalments;
    QDate payoffDate;
    std::vector<QDate> paidOn(static_cast<std::size_t>(instalments));
    QDate previous;
    for (int i = 0; i < instalments; ++i) {
        QDate pay;
        if (i >= stopAt) {
            break;
        } else if (i >= payoffAt) {
            if (!payoffDate.isValid())
                payoffDate = due[std::size_t(i)].addDays(r.between(-10, 5));
            pay = payoffDate;
        } else if (behaviour == 1 && r.chance(0.3)) {
            pay = due[std::size_t(i)].addDays(r.between(3, 70));
        } else {
            pay = due[std::size_t(i)].addDays(r.between(-6, 2));
        }
        if (previous.isValid() && pay < previous)
            pay = previous;
        previous = pay;
        paidOn[std::size_t(i)] = pay;
    }

    // Termination of a loan whose client stopped paying, and its loss.
    QDate terminated;
    QString rozliczony = QStringLiteral("0");
    int rezerwa = 0;
    QDate dataRez;
    if (behaviour == 3 && stopAt < instalments) {
        const QDate firstUnpaid = due[std::size_t(stopAt)];
        if (r.chance(0.75)) {
            terminated = firstUnpaid.addDays(r.between(91, 160));
            if (terminated > end)
                terminated = QDate();
        }
        if (terminated.isValid()) {
            rozliczony = r.chance(0.5) ? QStringLiteral("Win") : QStringLiteral("4");
            if (r.chance(0.5)) {
                const QDate lost = terminated.addDays(r.between(60, 540));
                if (r.chance(0.15)) {
                    rezerwa = 5;
                } else if (lost <= end) {
                    rezerwa = 5;
                    dataRez = lost;
                } else {
                    rezerwa = 4;
                    dataRez = terminated;
                }
            } else {
                rezerwa = 4;
                dataRez = terminated;
            }
        } else if (firstUnpaid.daysTo(end) > 180 && r.chance(0.2)) {
            rezerwa = 5; // written off without a termination
            dataRez = firstUnpaid.addDays(r.between(180, int(firstUnpaid.daysTo(end))));
        } else if (firstUnpaid.daysTo(end) > 90) {
            rezerwa = 3;
            dataRez = firstUnpaid.addDays(90);
        }
    } else if (behaviour == 1 && r.chance(0.3)) {
        rezerwa = int(r.between(1, 2));
        dataRez = signed_.addDays(r.between(60, 700));
        if (dataRez > end)
            dataRez = end;
    }

    // The schedule of instalments and the ledger of repayments and interest.
    qint64 balance = paidOut;
    bool allPaid = true;
    for (int i = 0; i < instalments; ++i) {
        const QDate dueOn = due[std::size_t(i)];
        const QDate pay = paidOn[std::size_t(i)];
        const bool paidByEnd = pay.isValid() && pay <= end;
        allPaid = allPaid && paidByEnd;
        if (withSchedule)
            schedule(capital, tranches + i + 1, dueOn, 0, capitalDue[std::size_t(i)], paidByEnd ? pay : QDate());
        if (dueOn > end || (terminated.isValid() && dueOn > terminated) || paidOut == 0)
            continue;
        if (payoffDate.isValid() && payoffDate <= end && i > payoffAt)
            continue;
        const qint64 charge = balance * rateBp / 120000;
        post(interest, dueOn, charge, 0, Doc::InterestCharge, "Naliczenie odsetek umownych");
        if (!paidByEnd)
            continue;
        post(interest, pay, 0, charge, Doc::Bank, "Spłata odsetek");
        qint64 repaid = capitalDue[std::size_t(i)];
        if (i == payoffAt) {
            repaid = 0;
            for (int k = i; k < instalments; ++k)
                repaid += capitalDue[std::size_t(k)];
        }
        repaid = std::min(repaid, balance);
        balance -= repaid;
        post(capital, pay, 0, repaid, Doc::Bank,
             i == payoffAt ? "Wcześniejsza spłata pożyczki" : "Spłata raty kapitałowej");
    }
    if (terminated.isValid() && balance > 0) {
        const int recovery = account(id, Recovery);
        post(capital, terminated, 0, balance, Doc::Transfer, "Przeksięgowanie do windykacji");
        post(recovery, terminated, balance, 0, Doc::Transfer, "Przyjęcie do windykacji");
        QDate when = terminated;
        for (int k = int(r.between(0, 4)); k > 0 && balance > 0; --k) {
            when = when.addDays(r.between(40, 120));
            const qint64 recovered = std::min(balance, balance * r.between(2, 12) / 100 / 100 * 100 + 10000);
            if (when > end)
                break;
            post(recovery, when, 0, recovered, Doc::Bank, "Wpłata z postępowania windykacyjnego");
            balance -= recovered;
        }
    }
    if (!terminated.isValid() && allPaid && paidOut == scheduled && paidOut > 0)
        rozliczony = QStringLiteral("1");

    // A few records are incomplete, as they are in every real database.
    const bool unsettled = r.chance(0.003);
    QDate payout = firstPayout;
    if (r.chance(0.01))
        payout = QDate();
    m_insert.umowy.execute({
        id,
        QStringLiteral("FPZL/%1/%2").arg(signed_.year()).arg(id, 5, 10, QChar(u'0')),
        client.id,
        signed_,
        grosze(amount),
        db::Money::fromUnits(rateBp * (db::Money::Scale / 100)),
        instalments,
        orNull(purpose != 0, purpose),
        rezerwa,
        db::Param(dataRez),
        unsettled ? db::Param() : db::Param(rozliczony),
        db::Param(payout),
        ru,
    });
    ++m_summary.rows;

    // The application, with the area of the business; a few contracts have none.
    if (!r.chance(0.015)) {
        const double x = r.unit();
        const db::Param area = x < 0.975 ? db::Param(int(r.between(1, 3))) : x < 0.995 ? db::Param() : db::Param(0);
        m_insert.wnioski.execute({m_nextApplication++, id, client.id, signed_.addDays(-r.between(7, 40)),
                                  grosze(amount), s("Przyznano"), area});
        ++m_summary.rows;
    }
    // Refused applications have no contract.
    if (r.chance(0.12)) {
        m_insert.wnioski.execute({m_nextApplication++, db::Param(), client.id, signed_.addDays(-r.between(7, 60)),
                                  grosze(amount + 500000), s("Odmowa"), int(r.between(1, 3))});
        ++m_summary.rows;
    }
}

void FundBuilder::writeLedger()
{
    // Postings in date order; within a day, in the order the contracts made them.
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [](const Entry &a, const Entry &b) { return a.date < b.date; });
    QHash<QString, int> documents;
    qint64 key = 0;
    for (const Entry &e : m_entries) {
        const QString code = QString::fromLatin1(docCode(e.doc));
        const QString month = e.date.toString(QStringLiteral("yyyy/MM"));
        const int number = ++documents[code + month];
        m_insert.dekret.execute({++key, e.account, e.date, code,
                                 QStringLiteral("%1/%2/%3").arg(code, month).arg(number, 4, 10, QChar(u'0')),
                                 grosze(e.wn), grosze(e.ma), e.cancelled ? s("ST") : QString(), s(e.description)});
    }
    m_summary.ledgerEntries = qint64(m_entries.size());
    m_summary.rows += qint64(m_entries.size());
    m_entries.clear();
    m_entries.shrink_to_fit();
}

// A name as a quoted SQL identifier, read as itself whatever it holds.
QString quotedName(const QString &name)
{
    return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

// Selectivities as a maintained database has them (a restore computes them too):
// the indexes were made on empty tables.
void FundBuilder::recomputeStatistics()
{
    QStringList names;
    {
        db::Query q(m_lokra, QStringLiteral("select trim(rdb$index_name) from rdb$indices where "
                                            "coalesce(rdb$system_flag, 0) = 0"));
        q.execute();
        while (q.next())
            names << q.value(0).toString();
    }
    for (const QString &name : std::as_const(names))
        m_lokra.executeImmediate(QStringLiteral("SET STATISTICS INDEX ") + quotedName(name));
    m_lokra.commitRetaining();
}

FundSummary FundBuilder::build()
{
    dictionaries();
    firma();
    // Contracts are numbered in the order they were signed, over five and a half
    // years, more of them in later years as the fund grows.
    const QDate first(2008, 1, 2);
    const qint64 span = first.daysTo(QDate(2013, 6, 28));
    std::vector<QDate> signedOn;
    signedOn.reserve(std::size_t(m_options.contracts));
    for (int i = 0; i < m_options.contracts; ++i)
        signedOn.push_back(first.addDays(qint64(std::sqrt(m_random.unit()) * double(span))));
    std::sort(signedOn.begin(), signedOn.end());
    for (int i = 0; i < m_options.contracts; ++i)
        contract(i + 1, signedOn[std::size_t(i)]);
    m_summary.contracts = m_options.contracts;
    writeLedger();
    m_lokra.commitRetaining();
    recomputeStatistics();
    return m_summary;
}

} // namespace

QString lokraSchemaScript()
{
    QFile f(QStringLiteral(":/demo/lokra-schema.sql"));
    if (!f.open(QIODevice::ReadOnly))
        throw db::Error(QStringLiteral("brak zasobu lokra-schema.sql"));
    return QString::fromUtf8(f.readAll());
}

FundSummary fillLokra(db::Connection &lokra, const FundOptions &options)
{
    if (options.contracts < 1)
        throw db::Error(QStringLiteral("liczba umów musi być dodatnia"));
    return FundBuilder(lokra, options).build();
}

FundSummary createLokraDatabase(const QString &path, const FundOptions &options)
{
    if (QFileInfo::exists(path))
        throw db::Error(QStringLiteral("plik %1 już istnieje").arg(path));
    db::Connection c;
    c.setDatabase(QString(), path);
    c.create();
    try {
        db::runSqlScript(c, lokraSchemaScript());
        const FundSummary summary = fillLokra(c, options);
        c.close();
        return summary;
    } catch (...) {
        c.close();
        QFile::remove(path);
        throw;
    }
}

void writeSettings(const QString &folder, const QString &host, const QString &ksuPath, const QString &lokraPath)
{
    QSaveFile f(QDir(folder).filePath(QStringLiteral("TV.ini")));
    if (!f.open(QIODevice::WriteOnly))
        throw db::Error(QStringLiteral("nie można zapisać TV.ini: ") + f.errorString());
    const QString text =
        QStringLiteral("[Settings]\r\nHost=%1\r\nPath_ksu=%2\r\nPath=%3\r\n").arg(host, ksuPath, lokraPath);
    f.write(text.toUtf8());
    if (!f.commit())
        throw db::Error(QStringLiteral("nie można zapisać TV.ini: ") + f.errorString());
}

} // namespace demo
