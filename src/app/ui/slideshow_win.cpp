#include "app/ui/slideshow_win.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/ui/bitmap_widget.h"

namespace pix {

namespace {

constexpr int kDefaultSeconds = 4;
constexpr double kTransitionSeconds = 0.8;

}  // namespace

TfrmSlideshowOptions::TfrmSlideshowOptions(int sourceCount, int convertedCount, int32_t deviceWidth,
                                           int32_t deviceHeight, QWidget* owner)
    : QDialog(owner) {
  setObjectName(QStringLiteral("frmSlideshowOptions"));
  setWindowTitle(tr("Slideshow"));
  auto* column = new QVBoxLayout(this);
  rbSourceAlbum = new QRadioButton(tr("&Source pictures (%1)").arg(sourceCount), this);
  rbSourceAlbum->setObjectName(QStringLiteral("rbSourceAlbum"));
  rbConvertedAlbum = new QRadioButton(tr("&Converted pictures (%1)").arg(convertedCount), this);
  rbConvertedAlbum->setObjectName(QStringLiteral("rbConvertedAlbum"));
  rbSourceAlbum->setEnabled(sourceCount > 0);
  rbConvertedAlbum->setEnabled(convertedCount > 0);
  (convertedCount > 0 ? rbConvertedAlbum : rbSourceAlbum)->setChecked(true);
  column->addWidget(rbSourceAlbum);
  column->addWidget(rbConvertedAlbum);
  auto* form = new QFormLayout;
  cbxTransition = new QComboBox(this);
  cbxTransition->setObjectName(QStringLiteral("cbxTransition"));
  for (int e = 0; e < kTransitionEffectCount; ++e)
    cbxTransition->addItem(
        QCoreApplication::translate("Transition", TransitionName(static_cast<TTransitionEffect>(e))), e);
  cbxTransition->setCurrentIndex(teCrossFade);
  spnSeconds = new QSpinBox(this);
  spnSeconds->setObjectName(QStringLiteral("spnSeconds"));
  spnSeconds->setRange(1, 600);
  spnSeconds->setValue(kDefaultSeconds);
  spnSeconds->setSuffix(QStringLiteral(" s"));
  form->addRow(tr("&Transition"), cbxTransition);
  form->addRow(tr("Seconds per &picture"), spnSeconds);
  form->addRow(tr("Screen"), new QLabel(tr("%1 x %2, as the handheld shows it").arg(deviceWidth).arg(deviceHeight), this));
  column->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(tr("&Play"));
  buttons->button(QDialogButtonBox::Ok)->setEnabled(sourceCount > 0 || convertedCount > 0);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  column->addWidget(buttons);
}

bool TfrmSlideshowOptions::ConvertedAlbum() const { return rbConvertedAlbum->isChecked(); }

TTransitionEffect TfrmSlideshowOptions::Effect() const {
  return static_cast<TTransitionEffect>(cbxTransition->currentData().toInt());
}

int TfrmSlideshowOptions::SecondsPerPicture() const { return spnSeconds->value(); }

TfrmSlideshow::TfrmSlideshow(std::vector<std::string> paths, TSlideShowOptions options, QWidget* parent)
    : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmSlideshow"));
  setWindowTitle(tr("Slideshow - Pixfold"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setCursor(Qt::BlankCursor);
  const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
  if (screen) {
    const QSize pixels = screen->geometry().size() * screen->devicePixelRatio();
    options.Scale = DeviceScaleFor(options.DeviceWidth, options.DeviceHeight, pixels.width(), pixels.height());
  }
  options.TransitionSeconds = std::min(kTransitionSeconds, options.SecondsPerPicture / 2);
  m_show = std::make_unique<TSlideShow>(std::move(paths), options);
  m_clock.start();
  // One tick per refresh of the screen; the frame of the moment is computed
  // from the clock, so a late tick only skips a frame.
  const qreal rate = screen && screen->refreshRate() > 1 ? screen->refreshRate() : 60.0;
  m_timer.setTimerType(Qt::PreciseTimer);
  m_timer.setInterval(std::max(1, static_cast<int>(std::floor(1000.0 / rate))));
  connect(&m_timer, &QTimer::timeout, this, &TfrmSlideshow::Tick);
  m_timer.start();
}

TfrmSlideshow::~TfrmSlideshow() { m_timer.stop(); }

double TfrmSlideshow::Now() const { return static_cast<double>(m_clock.nsecsElapsed()) / 1e9; }

void TfrmSlideshow::Tick() {
  if (m_show->Advance(Now())) update();
}

void TfrmSlideshow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  QImage frame = ImageOf(m_show->Frame());
  if (!frame.isNull()) {
    const qreal ratio = devicePixelRatioF();
    frame.setDevicePixelRatio(ratio);
    const int left = (static_cast<int>(width() * ratio) - frame.width()) / 2;
    const int top = (static_cast<int>(height() * ratio) - frame.height()) / 2;
    painter.drawImage(QPointF(left / ratio, top / ratio), frame);
  }
  // The name of the picture only while the show stands still, or when its
  // slide stays black.
  const int index = m_show->Index();
  if (index < 0) return;
  const TFailureReason failure = m_show->Failure(index);
  if (!m_show->Paused() && failure == frNone) return;
  QString caption = QStringLiteral("%1 / %2   %3")
                        .arg(index + 1)
                        .arg(m_show->Count())
                        .arg(QString::fromStdString(m_show->Path(index)).section(QLatin1Char('/'), -1));
  if (failure != frNone) caption = tr("%1: %2").arg(caption, QString::fromStdString(LocalFailureText(failure)));
  if (m_show->Paused()) caption += QStringLiteral("   ") + tr("(paused)");
  painter.setPen(QColor(170, 170, 170));
  painter.drawText(rect().adjusted(12, 12, -12, -12), Qt::AlignLeft | Qt::AlignBottom, caption);
}

void TfrmSlideshow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Right:
    case Qt::Key_Space: m_show->Next(Now()); break;
    case Qt::Key_Left: m_show->Previous(Now()); break;
    case Qt::Key_P: m_show->SetPaused(!m_show->Paused(), Now()); break;
    case Qt::Key_Escape: close(); return;
    default: QWidget::keyPressEvent(event); return;
  }
  Tick();
  update();
}

void TfrmSlideshow::mousePressEvent(QMouseEvent*) {
  m_show->Next(Now());
  Tick();
}

}  // namespace pix
