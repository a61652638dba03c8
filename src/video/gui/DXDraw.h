// The display component: a widget holding a 256 x 240 8-bit drawing surface
// with its 256-entry colour table, a few options (full screen, stretch,
// centre, system memory, wait for vertical blank), text drawn over the
// surface, and Flip, which shows the surface and then waits for the next
// frame deadline of the NTSC rate. That wait is what paces emulation.
// The surface is shown at a whole multiple of its size with sharp pixels,
// centred, or stretched over the whole widget. In full screen the multiple is
// the largest the screen holds; in a window it is the one chosen.
#pragma once

#include <QImage>
#include <QList>
#include <QRegion>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <chrono>
#include <cstdio>

class QScreen;
class QWindow;

class TDXDraw : public QWidget {
  Q_OBJECT
 public:
  struct Options {
    bool FullScreen = false;
    bool Stretch = false;
    bool Center = true;
    bool SystemMemory = true;
    bool WaitVBlank = true;
  };
  // A display mode as width x height x bits per pixel.
  struct DisplayMode {
    int Width = 320, Height = 240, BitCount = 16;
  };

  explicit TDXDraw(QWidget* parent = nullptr);
  ~TDXDraw() override;

  bool Initialize();
  void Finalize();
  bool Initialized() const { return initialized_; }
  // The surface can be drawn on: initialised and not lost.
  bool CanDraw() const { return initialized_ && !lost_; }
  bool SurfacesLost() const { return lost_; }
  // Brings lost surfaces back and applies the colour tables again.
  void Restore();

  const Options& options() const { return options_; }
  void SetStretch(bool on);
  void SetSystemMemory(bool on) { options_.SystemMemory = on; }
  void SetFullScreenOption(bool on);
  void SetWaitVBlank(bool on) { options_.WaitVBlank = on; }
  // The multiple (1-4) the surface is drawn at in a window when it is not
  // stretched; a widget too small for it gets the largest multiple that fits.
  void SetScale(int multiple);
  int Scale() const { return scale_; }
  // The largest whole multiple of `picture`, at most `largest`, that `area`
  // holds; 1 when not even that fits.
  static int FittingMultiple(QSize area, QSize picture, int largest);
  // Where the surface lands in the widget now, in logical pixels.
  QRect PictureRect() const;
  void SetDisplayMode(const DisplayMode& mode) { mode_ = mode; }
  const DisplayMode& displayMode() const { return mode_; }
  // Every mode of the screens, written "%dx%dx%d", plus 320x240x16.
  QStringList DisplayModes() const;

  void SetSurfaceSize(int width, int height);
  const QImage& Surface() const { return surface_; }
  // The current colour table; `asDefault` also makes it the default table.
  void SetColorTable(const QList<QRgb>& colors, bool asDefault = false);
  const QList<QRgb>& ColorTable() const { return colors_; }

  // Copies an 8-bit picture (surface width x height indices) onto the
  // surface at (0, 0); text drawn over the previous picture goes with it.
  void CopyPixels(const uint8_t* pixels);
  // Draws a picture onto the surface, taking its colours as both tables.
  void DrawPicture(const QImage& picture);
  // Text over the surface at surface coordinates (the top of the text box),
  // transparent background.
  void DrawText(int x, int y, const QString& text, QColor color, int pointSize);
  // Height of a text in the display's font of that size.
  static int TextHeight(const QString& text, int pointSize);
  const QStringList& TextItems() const { return texts_; }

  // Shows the surface, then waits for the next frame deadline when the
  // wait-for-vertical-blank option is set.
  void Flip();
  int flips() const { return flips_; }
  // What of the widget the last Flip painted: the picture's rows that changed
  // since the one before (everything with text over the picture or stretched).
  const QRegion& FlippedRegion() const { return flipped_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  struct TextItem {
    QPoint At;
    QString Text;
    QColor Color;
    int PointSize;
  };
  void WaitForFrameDeadline();
  // Whether a visible sibling stacked above lies over `region` (ours).
  bool CoveredWithin(const QRegion& region) const;
  void LogPresentation();
  // Brings the 32-bit copy the widget paints from up to date with the
  // surface, each surface pixel a `multiple` x `multiple` block.
  void ConvertSurface(int multiple);
  // Converts the surface straight into the window's backing store, each pixel
  // a `multiple` x `multiple` block, for the parts of `region` (widget
  // coordinates) over the picture at `target`. False, with nothing drawn,
  // when the painter's device is not a plain 32-bit image at one device pixel
  // per pixel (a pixmap being grabbed, a high-DPI screen).
  bool PaintStraightToStore(QPainter& painter, const QRegion& region, const QRect& target, int multiple);
  // Surface rows first..last no longer match the 32-bit copy.
  void MarkStale(int first, int last);
  void MarkAllStale() { MarkStale(0, surface_.height() - 1); }
  QRegion ChangedRegion() const;
  void WatchScreen(QScreen* screen);
  void MarkLost() { lost_ = true; }

  Options options_;
  DisplayMode mode_;
  bool initialized_ = false;
  bool lost_ = false;
  QImage surface_;
  // The surface in the screen's own pixel format, converted once per change
  // rather than by the painter on every paint. Only kept where the picture
  // cannot go straight into the backing store (stretched, grabbed, high DPI).
  QImage frame_;
  // Rows of the surface changed since they were last converted or painted
  // (empty when first > last): only they are converted and shown again.
  int staleFirst_ = 0, staleLast_ = 239;
  bool hadText_ = false;
  QRegion flipped_;
  int scale_ = 1;
  // VIREL_FRAME_LOG: the monotonic time of every presented frame goes here.
  std::FILE* frameLog_ = nullptr;
  QList<QRgb> colors_, defaultColors_;
  QList<TextItem> textItems_;
  QStringList texts_;
  int flips_ = 0;
  bool paced_ = false;
  QWindow* watchedWindow_ = nullptr;
  std::chrono::steady_clock::time_point deadline_;
};
