// Axis ranges, power-of-ten factors, canvas coordinates and grid positions of the PSD plot.
#pragma once

#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace lumetra::plot {

// Lines go to the Output text; each is preceded by CR LF when it is joined.
class OutputText {
  public:
    void clear() { lines_.clear(); }
    void append(const QString& line) { lines_.append(line); }
    const QStringList& lines() const { return lines_; }
    // The first line without a preceding line break, every other one after "\r\n".
    QString text() const { return lines_.join(QStringLiteral("\r\n")); }

  private:
    QStringList lines_;
};

// Lengths laid out for a 640 x 480 screen, scaled to the present one.
float scaleToScreenX(double v, const QSize& screenPixels);
float scaleToScreenY(double v, const QSize& screenPixels);

// Python-like round-half-even for the places that use it.
double roundHalfEven(double v);

// Rounded axis. min and max (plotted units after the call) are updated, the
// exponent is always even. Appends the scaling trace to out when given.
void scaleAxis(float& min, float& max, int count, int& exponent, OutputText* out = nullptr);

// One axis override as the Setup tab holds it: a check box and two texts.
struct AxisOverride {
    bool enabled = false;
    QString minText;
    QString stepText;
};

// Parsed override range in real units: min (32-bit) and max = step x steps + min.
struct OverrideRange {
    float min = 0;
    float max = 0;
};

// Parses an override box as a number: surrounding blanks allowed, nothing else.
std::optional<double> parseOverrideNumber(const QString& text);

// Checks the override of one axis ("X" with 10 steps, "Y" with 5).
// Returns an empty string when usable, else the message to show the user.
QString validateOverride(const AxisOverride& ov, char axis);
// The range the override asks for; empty when the override is off or invalid.
std::optional<OverrideRange> overrideRangeOf(const AxisOverride& ov, int steps);

// Leaving a step box: the leading-number reading of the text (0 when it
// starts with no number). A non-empty text whose value is zero is refused.
double leadingNumber(const QString& text);
QString validateStepOnLeave(const QString& stepText, char axis);

// The plot state that one plot leaves behind.
struct PlotScale {
    int n = 0;               // points plotted
    std::vector<float> freq; // copy of the frequencies, divided by xFactor
    std::vector<float> psd;  // copy of the PSD in dB, divided by yFactor
    float xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    int xExponent = 0, yExponent = 0;
    double xFactor = 1, yFactor = 1;
    // Canvas coordinate system over the final ranges.
    double left = 0, top = 0, width = 1, height = -1;
    bool xOverridden = false, yOverridden = false;
    // Canvas pixels the coordinate system is laid over (the ranges plus their 5 % margins);
    // empty: the whole canvas. The renderer sets it from its layout.
    QRectF area;
};

// Copies the first n frequencies, picks the x range (or the override's),
// scales it and divides the copy by xFactor.
// `dataRange`, when given, replaces the end points as the range to scale (overlays: the
// union of all curves).
void prepareXValues(PlotScale& st, const float* freq, int n, const AxisOverride& ov,
                    OutputText* out = nullptr,
                    std::optional<OverrideRange> dataRange = std::nullopt);
// Same for the PSD copy already held in st.psd.
void prepareYValues(PlotScale& st, const AxisOverride& ov, OutputText* out = nullptr,
                    std::optional<OverrideRange> dataRange = std::nullopt);
// Coordinate half of setPlotScale: the ranges of an active override are read
// again (in real units, divided by the axis factor) and the canvas system is
// laid over the final ranges with a 5 % margin on every side.
void setPlotScaleCoordinates(PlotScale& st, const AxisOverride& xov, const AxisOverride& yov);

// Pixel position of a point in plot coordinates on a canvas of the given size (within
// st.area when the renderer has set it), and back.
double toPixelX(const PlotScale& st, double x, double canvasWidth);
double toPixelY(const PlotScale& st, double y, double canvasHeight);
double fromPixelX(const PlotScale& st, double px, double canvasWidth);
double fromPixelY(const PlotScale& st, double py, double canvasHeight);
// Pixel rectangle of the plotted ranges (xMin..xMax, yMin..yMax): where the curve may be.
QRectF frameRect(const PlotScale& st, QSizeF canvas);

// Grid and label positions.
std::array<double, 11> XGridPositions(double xMin, double xMax);
std::array<double, 6> YGridPositions(double yMin, double yMax);
// Where the vertical and horizontal axis lines stand.
double verticalAxisX(double xMin, double xMax);
double horizontalAxisY(double yMin, double yMax);

// Texts the override boxes are filled with when their check box is ticked
// and they are empty: min and step of the last plot, in real units.
struct OverridePrefill {
    QString minText;
    QString stepText;
};
OverridePrefill prefillX(const PlotScale& st);
OverridePrefill prefillY(const PlotScale& st);

} // namespace lumetra::plot
