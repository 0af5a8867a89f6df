#include "figurewriter.h"

#include "fontsubstitutes.h"

#include <qwt_plot.h>
#include <qwt_plot_renderer.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFont>
#include <QFontInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QImage>
#include <QList>
#include <QIODevice>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRectF>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QSvgGenerator>
#include <QTransform>
#include <QWidget>

namespace {

constexpr int kDpi = 96;

// Dots per metre of a 96 dpi image, as PNG stores its resolution.
constexpr int kDotsPerMeter = 3780;

void paintOn(QPaintDevice &device, QSize size, const FigureWriter::Painting &paint)
{
    QPainter painter(&device);
    paint(painter, QRectF(QPointF(0.0, 0.0), QSizeF(size)));
}

bool writePng(QIODevice &device, QSize size, const FigureWriter::Painting &paint, QString &error)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        error = QStringLiteral("not enough memory for a %1 x %2 image")
                        .arg(size.width())
                        .arg(size.height());
        return false;
    }
    // Painted at the screen's resolution, at which the window lays out and
    // paints its charts, so that the pixels are the window's; stored as
    // 96 dpi like the SVG and PDF of the same size.
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchX() : kDpi;
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound((screen ? screen->logicalDotsPerInchY() : kDpi) / 0.0254));
    image.fill(Qt::transparent);
    paintOn(image, size, paint);
    image.setDotsPerMeterX(kDotsPerMeter);
    image.setDotsPerMeterY(kDotsPerMeter);
    if (!image.save(&device, "PNG")) {
        error = device.errorString();
        return false;
    }
    return true;
}

bool writeSvg(QIODevice &device, QSize size, const FigureWriter::Painting &paint)
{
    QSvgGenerator svg;
    svg.setOutputDevice(&device);
    svg.setResolution(kDpi);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(QStringLiteral("Kestrune figure"));
    svg.setDescription(QStringLiteral("Drawn by kestrune-sim"));
    paintOn(svg, size, paint);
    return true;
}

bool writePdf(QIODevice &device, QSize size, const FigureWriter::Painting &paint, QString &error)
{
    QPdfWriter pdf(&device);
    pdf.setResolution(kDpi);
    pdf.setCreator(QStringLiteral("kestrune-sim"));
    const QSizeF points(size.width() * 72.0 / kDpi, size.height() * 72.0 / kDpi);
    if (!pdf.setPageLayout(QPageLayout(QPageSize(points, QPageSize::Point), QPageLayout::Portrait,
                                       QMarginsF()))) {
        error = QStringLiteral("the page size is not possible");
        return false;
    }
    paintOn(pdf, size, paint);
    return true;
}

// QwtPlotRenderer with the canvas frame as the window shows it. The renderer
// draws a frame of its own, a pixel narrower than the one the canvas, a
// QFrame, draws through the style; so the style's frame is drawn over it.
class WindowLikeRenderer : public QwtPlotRenderer
{
public:
    void renderCanvas(const QwtPlot *plot, QPainter *painter, const QRectF &canvasRect,
                      const QwtScaleMap *maps) const override
    {
        QwtPlotRenderer::renderCanvas(plot, painter, canvasRect, maps);
        const auto *canvas = qobject_cast<const QFrame *>(plot->canvas());
        if (!canvas || canvas->frameWidth() <= 0)
            return;
        // As QFrame::initStyleOption fills it, for the rectangle laid out here.
        QStyleOptionFrame option;
        option.initFrom(canvas);
        option.rect = canvasRect.toRect();
        option.frameShape = canvas->frameShape();
        switch (canvas->frameShape()) {
        case QFrame::Box:
        case QFrame::HLine:
        case QFrame::VLine:
        case QFrame::StyledPanel:
        case QFrame::Panel:
            option.lineWidth = canvas->lineWidth();
            option.midLineWidth = canvas->midLineWidth();
            break;
        default:
            option.lineWidth = canvas->frameWidth();
            break;
        }
        if (canvas->frameShadow() == QFrame::Sunken)
            option.state |= QStyle::State_Sunken;
        else if (canvas->frameShadow() == QFrame::Raised)
            option.state |= QStyle::State_Raised;
        canvas->style()->drawControl(QStyle::CE_ShapedFrame, &option, painter, canvas);
    }
};

} // namespace

void FigureWriter::layOut(QWidget &widget, QSize size)
{
    widget.setAttribute(Qt::WA_DontShowOnScreen);
    widget.resize(size);
    widget.show();
    QCoreApplication::sendPostedEvents();
    // A plot's scales take the room at their ends from the lengths they had
    // when the axes were last updated (at a replot), and the layout follows
    // that room: a window settles over the replots and layouts of its
    // start, a figure repeats them, without painting, until the canvas stays
    // put.
    QList<QwtPlot *> plots = widget.findChildren<QwtPlot *>();
    if (auto *plot = qobject_cast<QwtPlot *>(&widget))
        plots.prepend(plot);
    for (QwtPlot *plot : qAsConst(plots)) {
        for (int pass = 0; pass < 4; ++pass) {
            const QRect before = plot->canvas()->geometry();
            plot->updateAxes();
            plot->updateLayout();
            QCoreApplication::sendPostedEvents();
            if (plot->canvas()->geometry() == before)
                break;
        }
    }
}

QFont FigureWriter::windowFont()
{
    QFont font = ::windowFont();
    font.setFamily(QFontInfo(font).family());
    return font;
}

bool FigureWriter::write(QIODevice &device, Format format, QSize size, const Painting &paint,
                         QString &error)
{
    // Made whole in memory first: the image writers cannot tell a failed
    // write (libpng only prints one), and a figure is small.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    bool made = false;
    switch (format) {
    case Png:
        made = writePng(buffer, size, paint, error);
        break;
    case Svg:
        made = writeSvg(buffer, size, paint);
        break;
    case Pdf:
        made = writePdf(buffer, size, paint, error);
        break;
    }
    if (!made)
        return false;
    if (device.write(bytes) != bytes.size()) {
        error = device.errorString();
        return false;
    }
    return true;
}

void FigureWriter::renderPlot(QwtPlot &plot, QPainter &painter, const QRectF &rect)
{
    WindowLikeRenderer renderer;
    renderer.render(&plot, &painter, rect);
}

QTransform FigureWriter::layoutTransform(const QPainter &painter, const QWidget &widget)
{
    const QPaintDevice *device = painter.device();
    return QTransform::fromScale(double(device->logicalDpiX()) / widget.logicalDpiX(),
                                 double(device->logicalDpiY()) / widget.logicalDpiY());
}
