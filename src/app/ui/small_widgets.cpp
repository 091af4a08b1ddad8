#include "app/ui/small_widgets.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QLayout>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QUrl>

namespace pix {

namespace {

constexpr int kSpacing = 4;

}  // namespace

TWrapCheckBox::TWrapCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {
  QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
}

int TWrapCheckBox::IndicatorWidth() const {
  QStyleOptionButton option;
  option.initFrom(this);
  return style()->pixelMetric(QStyle::PM_IndicatorWidth, &option, this) + kSpacing;
}

QRect TWrapCheckBox::TextRect(int width) const {
  const QString plain = QString(text()).remove(QLatin1Char('&'));
  return fontMetrics().boundingRect(QRect(0, 0, std::max(1, width - IndicatorWidth()), 10000),
                                    Qt::TextWordWrap | Qt::TextShowMnemonic, plain);
}

QSize TWrapCheckBox::sizeHint() const {
  const QSize one = QCheckBox::sizeHint();
  return QSize(one.width(), std::max(one.height(), heightForWidth(one.width())));
}

QSize TWrapCheckBox::minimumSizeHint() const {
  // Narrow down to the longest word.
  int longest = 0;
  for (const QString& word : QString(text()).remove(QLatin1Char('&')).split(QLatin1Char(' ')))
    longest = std::max(longest, fontMetrics().horizontalAdvance(word));
  // The height that goes with a width comes from heightForWidth; a minimum
  // height for the narrowest width would make every scroll area scroll.
  return QSize(IndicatorWidth() + longest + kSpacing, QCheckBox::sizeHint().height());
}

int TWrapCheckBox::heightForWidth(int width) const {
  return std::max(QCheckBox::sizeHint().height(), TextRect(width).height() + 4);
}

void TWrapCheckBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  const int indicator = style()->pixelMetric(QStyle::PM_IndicatorHeight, &option, this);
  option.rect = QRect(0, (fontMetrics().height() - indicator) / 2 + 2, IndicatorWidth() - kSpacing, indicator);
  style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, this);
  const QRect textRect(IndicatorWidth(), 2, width() - IndicatorWidth(), height() - 2);
  style()->drawItemText(&painter, textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic,
                        palette(), isEnabled(), text(), QPalette::WindowText);
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = textRect.intersected(TextRect(width()).translated(IndicatorWidth(), 2)).adjusted(-1, -1, 1, 1);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
  }
}

QSize TFitScrollArea::sizeHint() const {
  QSize hint = QScrollArea::sizeHint();
  if (!widget() || !widget()->layout()) return hint;
  const int width = viewport()->width() > 0 ? viewport()->width() : widget()->sizeHint().width();
  // Allow for the scroll bar that may take part of the width.
  const int usable = std::max(1, width - verticalScrollBar()->sizeHint().width());
  // A little slack: the group boxes round their own heights up.
  hint.setHeight(widget()->layout()->totalHeightForWidth(usable) + 2 * frameWidth() + 4);
  return hint;
}

void TFitScrollArea::resizeEvent(QResizeEvent* event) {
  QScrollArea::resizeEvent(event);
  if (width() != m_lastWidth) {
    m_lastWidth = width();
    updateGeometry();
  }
}

TElidedLabel::TElidedLabel(const QString& text, QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  SetFullText(text);
}

void TElidedLabel::SetFullText(const QString& text) {
  m_full = text;
  setToolTip(text);
  Elide();
}

QSize TElidedLabel::minimumSizeHint() const { return QSize(1, QLabel::minimumSizeHint().height()); }

void TElidedLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Elide();
}

void TElidedLabel::Elide() { setText(fontMetrics().elidedText(m_full, Qt::ElideMiddle, std::max(1, width()))); }

void TReadOnlyCheckDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  option->state &= ~(QStyle::State_MouseOver | QStyle::State_HasFocus);
  option->state |= QStyle::State_ReadOnly;
}

namespace {

// The folder a drop names: a dropped folder itself, or a dropped file's folder.
QString DroppedFolder(const QMimeData* data) {
  if (!data || !data->hasUrls() || data->urls().isEmpty()) return QString();
  const QUrl url = data->urls().first();
  if (!url.isLocalFile()) return QString();
  const QFileInfo info(url.toLocalFile());
  if (info.isDir()) return info.absoluteFilePath();
  if (info.isFile()) return info.absolutePath();
  return QString();
}

class TFolderDrop : public QObject {
public:
  using QObject::QObject;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit) return false;
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
      auto* drag = static_cast<QDropEvent*>(event);
      if (DroppedFolder(drag->mimeData()).isEmpty()) return false;
      drag->acceptProposedAction();
      return true;
    }
    if (event->type() == QEvent::Drop) {
      auto* drop = static_cast<QDropEvent*>(event);
      const QString folder = DroppedFolder(drop->mimeData());
      if (folder.isEmpty()) return false;
      edit->setText(folder);
      drop->acceptProposedAction();
      return true;
    }
    return false;
  }
};

}  // namespace

void AcceptFolderDrops(QLineEdit* edit) {
  edit->setAcceptDrops(true);
  edit->installEventFilter(new TFolderDrop(edit));
}

}  // namespace pix
