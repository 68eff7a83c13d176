#include "periodcomparisonwindow.h"

#include "cli/historycommands.h"
#include "common/messages.h"
#include "exportfiles.h"
#include "reportpreview.h"
#include "store/pagemodel.h"
#include "store/statisticpairs.h"

#include <QButtonGroup>
#if TERVALA_CHARTS
#include <QChart>
#include <QChartView>
#endif
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace {

template <typename W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

PeriodComparisonWindow::PeriodComparisonWindow(QList<store::PeriodFigures> periods, Messages &messages,
                                               output::OutputGuard guard, QWidget *parent)
    : QDialog(parent), m_periods(std::move(periods)), m_messages(messages), m_guard(std::move(guard))
{
    setObjectName(QStringLiteral("PorownanieOkresow"));
    setWindowTitle(QStringLiteral("Porównanie okresów"));
    m_comparison.setPeriods(m_periods);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(buildRangeBar());
    Pc_porownanie = named(new QTabWidget, "Pc_porownanie");
    Pc_porownanie->addTab(buildTablePage(), QStringLiteral("Tabela"));
#if TERVALA_CHARTS
    Pc_porownanie->addTab(buildChartPage(), QStringLiteral("Wykresy"));
#endif
    layout->addWidget(Pc_porownanie, 1);
    auto *close = named(new QPushButton(QStringLiteral("Zamknij")), "bb_zamknij");
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(close, 0, Qt::AlignRight);

    if (!m_periods.isEmpty())
        setRange(0, int(m_periods.size()) - 1);
    showChart();
}

QWidget *PeriodComparisonWindow::buildRangeBar()
{
    auto *bar = new QWidget;
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    cb_od_okres = named(new QComboBox, "cb_od_okres");
    cb_do_okres = named(new QComboBox, "cb_do_okres");
    for (const store::PeriodFigures &p : std::as_const(m_periods)) {
        cb_od_okres->addItem(store::periodLabel(p));
        cb_do_okres->addItem(store::periodLabel(p));
    }
    bb_wszystkie = named(new QPushButton(QStringLiteral("Wszystkie okresy")), "bb_wszystkie");
    cx_zmiany = named(new QCheckBox(QStringLiteral("Zmiana względem poprzedniego okresu")), "cx_zmiany");
    cx_zmiany->setChecked(m_comparison.showChanges());
    row->addWidget(new QLabel(QStringLiteral("Okresy od")));
    row->addWidget(cb_od_okres);
    row->addWidget(new QLabel(QStringLiteral("do")));
    row->addWidget(cb_do_okres);
    row->addWidget(bb_wszystkie);
    row->addSpacing(20);
    row->addWidget(cx_zmiany);
    row->addStretch(1);
    row->addWidget(new QLabel(m_periods.isEmpty()
                                  ? QStringLiteral("Baza danych nie zawiera żadnego okresu.")
                                  : QStringLiteral("Okresów w bazie danych: %1").arg(m_periods.size())));
    for (QWidget *w : std::initializer_list<QWidget *>{cb_od_okres, cb_do_okres, bb_wszystkie})
        w->setEnabled(m_periods.size() > 1);
    connect(cb_od_okres, &QComboBox::activated, this, &PeriodComparisonWindow::rangeChanged);
    connect(cb_do_okres, &QComboBox::activated, this, &PeriodComparisonWindow::rangeChanged);
    connect(bb_wszystkie, &QPushButton::clicked, this, &PeriodComparisonWindow::bb_wszystkieClick);
    connect(cx_zmiany, &QCheckBox::toggled, this, [this](bool on) { m_comparison.setShowChanges(on); });
    return bar;
}

QWidget *PeriodComparisonWindow::buildTablePage()
{
    auto *page = new QWidget;
    auto *column = new QVBoxLayout(page);
    tv_porownanie = named(new QTableView, "tv_porownanie");
    tv_porownanie->setModel(&m_comparison);
    tv_porownanie->verticalHeader()->hide();
    tv_porownanie->verticalHeader()->setDefaultSectionSize(tv_porownanie->fontMetrics().height() + 6);
    tv_porownanie->setWordWrap(false);
    tv_porownanie->setAlternatingRowColors(true);
    tv_porownanie->horizontalHeader()->setDefaultSectionSize(110);
    tv_porownanie->setColumnWidth(0, 420);
    tv_porownanie->setColumnWidth(1, 45);
    connect(&m_comparison, &QAbstractItemModel::modelReset, this, [this] {
        tv_porownanie->setColumnWidth(0, 420);
        tv_porownanie->setColumnWidth(1, 45);
    });
    column->addWidget(tv_porownanie, 1);
    auto *buttons = new QHBoxLayout;
    bb_csv = named(new QPushButton(QStringLiteral("Eksport do CSV")), "bb_csv");
    bb_drukuj = named(new QPushButton(QStringLiteral("Drukuj")), "bb_drukuj");
    connect(bb_csv, &QPushButton::clicked, this, &PeriodComparisonWindow::bb_csvClick);
    connect(bb_drukuj, &QPushButton::clicked, this, &PeriodComparisonWindow::bb_drukujClick);
    buttons->addWidget(bb_csv);
    buttons->addWidget(bb_drukuj);
    buttons->addStretch(1);
    column->addLayout(buttons);
    return page;
}

#if TERVALA_CHARTS
QWidget *PeriodComparisonWindow::buildChartPage()
{
    auto *page = new QWidget;
    auto *row = new QHBoxLayout(page);
    auto *controls = new QFormLayout;
    cb_wykres = named(new QComboBox, "cb_wykres");
    cb_wykres->addItems({QStringLiteral("Współczynnik strat"), QStringLiteral("Pożyczki aktywne (liczba i wartość)"),
                         QStringLiteral("Struktura pożyczek w okresie"), QStringLiteral("Wybrana wielkość")});
    controls->addRow(QStringLiteral("Wykres"), cb_wykres);

    cb_wielkosc = named(new QComboBox, "cb_wielkosc");
    for (const store::HistoryFigure &f : store::historyFigures())
        cb_wielkosc->addItem(f.caption(), f.column);
    cb_wielkosc->setMaximumWidth(360);
    l_wielkosc = new QLabel(QStringLiteral("Wielkość"));
    controls->addRow(l_wielkosc, cb_wielkosc);

    cb_okres = named(new QComboBox, "cb_okres");
    for (const store::PeriodFigures &p : std::as_const(m_periods))
        cb_okres->addItem(store::periodLabel(p));
    cb_okres->setCurrentIndex(int(m_periods.size()) - 1);
    l_okres = new QLabel(QStringLiteral("Okres"));
    controls->addRow(l_okres, cb_okres);

    cb_podzial = named(new QComboBox, "cb_podzial");
    for (const store::StatisticGroup &g : store::StatisticGroups)
        cb_podzial->addItem(store::toQString(g.heading));
    cb_podzial->setMaximumWidth(360);
    l_podzial = new QLabel(QStringLiteral("Podział"));
    controls->addRow(l_podzial, cb_podzial);

    rb_liczby = named(new QRadioButton(QStringLiteral("Liczba pożyczek")), "rb_liczby");
    rb_wartosci = named(new QRadioButton(QStringLiteral("Wartość pożyczek")), "rb_wartosci");
    rb_liczby->setChecked(true);
    auto *measures = new QButtonGroup(page);
    measures->addButton(rb_liczby);
    measures->addButton(rb_wartosci);
    controls->addRow(QString(), rb_liczby);
    controls->addRow(QString(), rb_wartosci);

    bb_png = named(new QPushButton(QStringLiteral("Zapisz jako PNG")), "bb_png");
    bb_pdf = named(new QPushButton(QStringLiteral("Zapisz jako PDF")), "bb_pdf");
    controls->addRow(QString(), bb_png);
    controls->addRow(QString(), bb_pdf);
    connect(bb_png, &QPushButton::clicked, this, &PeriodComparisonWindow::bb_pngClick);
    connect(bb_pdf, &QPushButton::clicked, this, &PeriodComparisonWindow::bb_pdfClick);

    for (QComboBox *combo : {cb_wykres, cb_wielkosc, cb_okres, cb_podzial})
        connect(combo, &QComboBox::currentIndexChanged, this, &PeriodComparisonWindow::chartChoiceChanged);
    connect(rb_liczby, &QRadioButton::toggled, this, &PeriodComparisonWindow::chartChoiceChanged);

    auto *left = new QVBoxLayout;
    left->addLayout(controls);
    left->addStretch(1);
    row->addLayout(left);
    cv_wykres = named(new QChartView(new QChart), "cv_wykres");
    cv_wykres->setRenderHint(QPainter::Antialiasing);
    cv_wykres->setMinimumSize(640, 420);
    row->addWidget(cv_wykres, 1);
    chartChoiceChanged();
    return page;
}
#endif

void PeriodComparisonWindow::setRange(int first, int last)
{
    m_comparison.setRange(first, last);
    cb_od_okres->setCurrentIndex(m_comparison.firstShown());
    cb_do_okres->setCurrentIndex(m_comparison.lastShown());
    showChart();
}

void PeriodComparisonWindow::rangeChanged()
{
    setRange(cb_od_okres->currentIndex(), cb_do_okres->currentIndex());
}

void PeriodComparisonWindow::bb_wszystkieClick()
{
    setRange(0, int(m_periods.size()) - 1);
}

charts::ChartChoice PeriodComparisonWindow::chartChoice() const
{
    charts::ChartChoice choice;
    choice.kind = charts::ChartKind(cb_wykres->currentIndex());
    choice.figure = std::max(0, cb_wielkosc->currentIndex());
    choice.period = cb_okres->currentIndex();
    choice.breakdown = std::max(0, cb_podzial->currentIndex());
    choice.values = rb_wartosci->isChecked();
    return choice;
}

void PeriodComparisonWindow::chartChoiceChanged()
{
    const charts::ChartKind kind = chartChoice().kind;
    const bool figure = kind == charts::ChartKind::Figure;
    const bool breakdown = kind == charts::ChartKind::Breakdown;
    for (QWidget *w : std::initializer_list<QWidget *>{l_wielkosc, cb_wielkosc})
        w->setVisible(figure);
    for (QWidget *w :
         std::initializer_list<QWidget *>{l_okres, cb_okres, l_podzial, cb_podzial, rb_liczby, rb_wartosci})
        w->setVisible(breakdown);
    showChart();
}

void PeriodComparisonWindow::showChart()
{
#if TERVALA_CHARTS
    if (!cv_wykres)
        return;
    QChart *old = cv_wykres->chart();
    cv_wykres->setChart(
        charts::makeChart(m_periods, chartChoice(), m_comparison.firstShown(), m_comparison.lastShown()));
    delete old;
#endif
}

bool PeriodComparisonWindow::exportCsv(const QString &path)
{
    return exportCsvFile(path, m_comparison.csvRows(), m_guard, m_messages);
}

bool PeriodComparisonWindow::exportChart(const QString &path)
{
#if TERVALA_CHARTS
    try {
        const bool pdf = path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive);
        if (!m_guard.approve(path, pdf ? output::FileKind::Pdf : output::FileKind::Png, m_messages))
            return false;
        charts::writeChart(m_periods, chartChoice(), m_comparison.firstShown(), m_comparison.lastShown(), path,
                           DefaultChartSize);
        return true;
    } catch (const std::exception &error) {
        showFailure(m_messages, error);
        return false;
    }
#else
    Q_UNUSED(path);
    return false;
#endif
}

void PeriodComparisonWindow::bb_csvClick()
{
    const QString path = askSavePath(this, QStringLiteral("Eksport do CSV"), QStringLiteral("Pliki CSV (*.csv)"),
                                     QStringLiteral(".csv"));
    if (!path.isEmpty())
        exportCsv(path);
}

void PeriodComparisonWindow::bb_drukujClick()
{
    ReportPreview::showModal(m_comparison.sheet(), reports::SheetKind::ImportReport, m_messages, m_guard, this);
}

void PeriodComparisonWindow::bb_pngClick()
{
    const QString path = askSavePath(this, QStringLiteral("Zapisz wykres jako PNG"),
                                     QStringLiteral("Obrazy PNG (*.png)"), QStringLiteral(".png"));
    if (!path.isEmpty())
        exportChart(path);
}

void PeriodComparisonWindow::bb_pdfClick()
{
    const QString path = askSavePath(this, QStringLiteral("Zapisz wykres jako PDF"),
                                     QStringLiteral("Pliki PDF (*.pdf)"), QStringLiteral(".pdf"));
    if (!path.isEmpty())
        exportChart(path);
}
