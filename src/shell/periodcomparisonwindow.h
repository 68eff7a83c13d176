#pragma once

#include "charts/historycharts.h"
#include "common/outputfiles.h"
#include "reports/periodcomparison.h"

#include <QDialog>

class Messages;
class QCheckBox;
class QChartView;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableView;
class QTabWidget;
class QWidget;

// The window "Porównanie okresów": the periods stored in the reporting database
// side by side, as a table (with the change against the previous period) and as
// charts, for all periods or a range. The table is exported to CSV and printed
// through the report engine; each chart is saved as PNG or PDF.
class PeriodComparisonWindow : public QDialog
{
    Q_OBJECT

public:
    PeriodComparisonWindow(QList<store::PeriodFigures> periods, Messages &messages, output::OutputGuard guard,
                           QWidget *parent = nullptr);

    reports::PeriodComparison &comparison() { return m_comparison; }
    // The choice behind the chart shown.
    charts::ChartChoice chartChoice() const;
    QChartView *chartView() const { return cv_wykres; }

    // The range of the two combo boxes, as indexes into the periods.
    void setRange(int first, int last);

    // Write the table or the shown chart once the guard approved the path; a
    // refusal or a failure is shown and gives false.
    bool exportCsv(const QString &path);
    bool exportChart(const QString &path);

    void bb_wszystkieClick();
    void bb_csvClick();
    void bb_drukujClick();
    void bb_pngClick();
    void bb_pdfClick();

private:
    QWidget *buildRangeBar();
    QWidget *buildTablePage();
    QWidget *buildChartPage(); // only with TERVALA_CHARTS
    void rangeChanged();
    void chartChoiceChanged();
    void showChart();

    QList<store::PeriodFigures> m_periods;
    Messages &m_messages;
    output::OutputGuard m_guard;
    reports::PeriodComparison m_comparison;

    QComboBox *cb_od_okres = nullptr;
    QComboBox *cb_do_okres = nullptr;
    QPushButton *bb_wszystkie = nullptr;
    QCheckBox *cx_zmiany = nullptr;
    QTabWidget *Pc_porownanie = nullptr;
    QTableView *tv_porownanie = nullptr;
    QPushButton *bb_csv = nullptr;
    QPushButton *bb_drukuj = nullptr;
    QComboBox *cb_wykres = nullptr;
    QComboBox *cb_wielkosc = nullptr;
    QComboBox *cb_okres = nullptr;
    QComboBox *cb_podzial = nullptr;
    QRadioButton *rb_liczby = nullptr;
    QRadioButton *rb_wartosci = nullptr;
    QLabel *l_wielkosc = nullptr;
    QLabel *l_okres = nullptr;
    QLabel *l_podzial = nullptr;
    QChartView *cv_wykres = nullptr;
    QPushButton *bb_png = nullptr;
    QPushButton *bb_pdf = nullptr;
};
