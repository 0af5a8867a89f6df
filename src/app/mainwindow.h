#pragma once

#include "curvedata.h"
#include "fuzzyset.h"

#include <QMainWindow>

#include <array>
#include <vector>

class PanelInputFilter;
class QDoubleSpinBox;
class QWidget;
class ToneSink;

namespace Ui {
class MainWindow;
}

// The program's only window: the charts in the middle, the configuration
// dock on the left, the menus. It keeps the six fuzzy sets of the
// controller in step with their twelve spin boxes and answers the menu
// actions.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The six fuzzy sets in the order error Negative, Zero, Positive, then
    // derivative Negative, Zero, Positive.
    std::array<FuzzySet, 6> fuzzySets() const;

    // Where the save, load and help tones go; the window's own player
    // unless a test listens instead. The sink is not owned.
    void setToneSink(ToneSink *sink);

private slots:
    void memberFuncChanged();
    void onStartModellingStep();
    void onStartModellingChirp();
    void onAbout();
    void onHelpContext();
    void onSave();
    void onLoad();
    void onSbErrNegLChanged(double newVal);
    void onSbErrNegRChanged(double newVal);
    void onSbErrZeroLChanged(double newVal);
    void onSbErrZeroRChanged(double newVal);
    void onSbErrPosLChanged(double newVal);
    void onSbErrPosRChanged(double newVal);
    void onSbDErrNegLChanged(double newVal);
    void onSbDErrNegRChanged(double newVal);
    void onSbDErrZeroLChanged(double newVal);
    void onSbDErrZeroRChanged(double newVal);
    void onSbDErrPosLChanged(double newVal);
    void onSbDErrPosRChanged(double newVal);

private:
    void readParameters();
    void setupFuncPlots();
    void redrawFuncPlots();
    void setupResultsPlot();
    // The L <= R rule for an error set's box whose edit ends.
    void finishEdit(QDoubleSpinBox *box);

    Ui::MainWindow *ui;
    std::vector<CurveData> curvesResults;
    std::vector<CurveData> curvesFuncErr;
    std::vector<CurveData> curvesFuncDiffErr;
    FuzzySet fsErrNeg;
    FuzzySet fsErrZero;
    FuzzySet fsErrPos;
    FuzzySet fsDErrNeg;
    FuzzySet fsDErrZero;
    FuzzySet fsDErrPos;
    ToneSink *toneSink;
    PanelInputFilter *panelInput;
};
