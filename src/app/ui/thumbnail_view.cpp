#include "app/ui/thumbnail_view.h"

#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

#include "app/ui/bitmap_widget.h"

namespace pix {

namespace {

constexpr int kCellMargin = 6;
constexpr int kBadgeSize = 16;

TThumbnailListModel::TBadge BadgeOf(const std::optional<TRowResult>& result) {
  if (!result) return TThumbnailListModel::bgNone;
  switch (result->State) {
    case TRowState::Converted:
    case TRowState::Renamed: return result->Damaged() ? TThumbnailListModel::bgDamaged : TThumbnailListModel::bgConverted;
    case TRowState::Skipped: return TThumbnailListModel::bgSkipped;
    case TRowState::Failed: return TThumbnailListModel::bgFailed;
    case TRowState::Pending: break;
  }
  return TThumbnailListModel::bgNone;
}

void PaintBadge(QPainter* painter, const QRect& area, int badge) {
  QColor colour;
  QString mark;
  switch (badge) {
    case TThumbnailListModel::bgConverted: colour = QColor(30, 150, 60); mark = QStringLiteral("\u2713"); break;
    case TThumbnailListModel::bgDamaged: colour = QColor(220, 130, 0); mark = QStringLiteral("!"); break;
    case TThumbnailListModel::bgSkipped: colour = QColor(120, 120, 120); mark = QStringLiteral("\u2013"); break;
    case TThumbnailListModel::bgFailed: colour = QColor(200, 30, 30); mark = QStringLiteral("\u2715"); break;
    default: return;
  }
  painter->setRenderHint(QPainter::Antialiasing, true);
  painter->setPen(QPen(Qt::white, 1.5));
  painter->setBrush(colour);
  painter->drawEllipse(area);
  QFont font = painter->font();
  font.setBold(true);
  font.setPixelSize(area.height() - 4);
  painter->setFont(font);
  painter->drawText(area, Qt::AlignCenter, mark);
  painter->setRenderHint(QPainter::Antialiasing, false);
}

}  // namespace

TThumbnailListModel::TThumbnailListModel(TThumbnailAlbum::TOptions options, QObject* parent)
    : QAbstractListModel(parent) {
  m_album = std::make_unique<TThumbnailAlbum>(std::move(options),
                                              [this](uint64_t generation, int row) { ThumbnailReady(generation, row); });
}

TThumbnailListModel::~TThumbnailListModel() {
  // The workers stop before the model they report to goes.
  m_album.reset();
}

void TThumbnailListModel::ThumbnailReady(uint64_t generation, int row) {
  // On a worker thread: the model is told on its own.
  QMetaObject::invokeMethod(
      this,
      [this, generation, row] {
        if (generation != m_album->Generation() || row >= rowCount()) return;
        const QModelIndex changed = index(row);
        emit dataChanged(changed, changed, {ThumbnailRole, ThumbnailFailedRole, Qt::ToolTipRole});
      },
      Qt::QueuedConnection);
}

void TThumbnailListModel::SetEntries(std::vector<TEntry> entries) {
  beginResetModel();
  m_entries = std::move(entries);
  std::vector<std::string> paths;
  paths.reserve(m_entries.size());
  for (const TEntry& entry : m_entries) paths.push_back(entry.Path);
  m_album->SetFiles(std::move(paths));
  endResetModel();
}

void TThumbnailListModel::SetResult(int row, const TRowResult& result) {
  if (row < 0 || row >= rowCount()) return;
  m_entries[static_cast<size_t>(row)].Result = result;
  const QModelIndex changed = index(row);
  emit dataChanged(changed, changed, {BadgeRole, Qt::ToolTipRole});
}

int TThumbnailListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

QVariant TThumbnailListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const int row = index.row();
  const TEntry& entry = m_entries[static_cast<size_t>(row)];
  switch (role) {
    case Qt::DisplayRole: return entry.File;
    case Qt::ToolTipRole: {
      QString text = entry.Subfolder.isEmpty() ? entry.File : entry.Subfolder + QLatin1Char('/') + entry.File;
      if (entry.Result && entry.Result->State != TRowState::Pending)
        text += QLatin1Char('\n') + QString::fromStdString(StatusText(*entry.Result));
      if (const TFailureReason why = m_album->Failure(row); why != frNone)
        text += QLatin1Char('\n') + tr("No thumbnail: %1").arg(QString::fromStdString(LocalFailureText(why)));
      return text;
    }
    case ThumbnailRole: {
      const std::shared_ptr<const TBitmap> thumbnail = m_album->Request(row);
      if (!thumbnail) return {};
      return ImageOf(*thumbnail);
    }
    case ThumbnailFailedRole: return m_album->State(row) == TThumbnailAlbum::TState::Failed;
    case BadgeRole: return static_cast<int>(BadgeOf(entry.Result));
    default: return {};
  }
}

TThumbnailDelegate::TThumbnailDelegate(int32_t box, QObject* parent) : QStyledItemDelegate(parent), m_box(box) {}

QSize TThumbnailDelegate::CellSize(const QFontMetrics& metrics) const {
  return {m_box + 2 * kCellMargin, m_box + 2 * kCellMargin + metrics.height() + 2};
}

QSize TThumbnailDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
  return CellSize(option.fontMetrics);
}

void TThumbnailDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  painter->save();
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  const QRect cell = option.rect;
  const bool selected = (opt.state & QStyle::State_Selected) != 0;
  // The whole cell shows the selection, name included, whatever the style
  // would mark in an icon view.
  if (selected) painter->fillRect(cell.adjusted(1, 1, -1, -1), opt.palette.brush(QPalette::Highlight));
  const QRect box(cell.left() + (cell.width() - m_box) / 2, cell.top() + kCellMargin, m_box, m_box);
  const QImage thumbnail = index.data(TThumbnailListModel::ThumbnailRole).value<QImage>();
  if (!thumbnail.isNull()) {
    // 1:1 as our resampling made it, centred in the box.
    painter->drawImage(QPoint(box.left() + (m_box - thumbnail.width()) / 2, box.top() + (m_box - thumbnail.height()) / 2),
                       thumbnail);
  } else {
    const QRect placeholder = box.adjusted(m_box / 8, m_box / 8, -m_box / 8, -m_box / 8);
    painter->setPen(opt.palette.color(QPalette::Mid));
    painter->setBrush(opt.palette.color(QPalette::AlternateBase));
    painter->drawRect(placeholder);
    if (index.data(TThumbnailListModel::ThumbnailFailedRole).toBool()) {
      painter->drawLine(placeholder.topLeft(), placeholder.bottomRight());
      painter->drawLine(placeholder.topRight(), placeholder.bottomLeft());
    }
  }
  const QRect text(cell.left() + 2, box.bottom() + 3, cell.width() - 4, opt.fontMetrics.height());
  painter->setPen(opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
  painter->setFont(opt.font);
  painter->drawText(text, Qt::AlignHCenter | Qt::AlignTop,
                    opt.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideMiddle, text.width()));
  PaintBadge(painter, QRect(box.right() - kBadgeSize - 1, box.top() + 2, kBadgeSize, kBadgeSize),
             index.data(TThumbnailListModel::BadgeRole).toInt());
  painter->restore();
}

TThumbnailView::TThumbnailView(TThumbnailListModel* model, QWidget* parent) : QListView(parent), m_model(model) {
  auto* delegate = new TThumbnailDelegate(model->Box(), this);
  setModel(model);
  setItemDelegate(delegate);
  setViewMode(QListView::IconMode);
  setMovement(QListView::Static);
  setResizeMode(QListView::Adjust);
  setFlow(QListView::LeftToRight);
  setWrapping(true);
  setUniformItemSizes(true);
  setSpacing(0);
  setGridSize(delegate->CellSize(fontMetrics()));
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  verticalScrollBar()->setSingleStep(gridSize().height() / 4);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    if (index.isValid()) emit PictureActivated(index.row());
  });
  // The layout of a new set of items is done in the next pass of the loop.
  connect(model, &QAbstractItemModel::modelReset, this, [this] { QTimer::singleShot(0, this, [this] { UpdateVisibleRange(); }); });
}

std::vector<int> TThumbnailView::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedIndexes()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

std::pair<int, int> TThumbnailView::VisibleRows() const {
  const int count = m_model->rowCount();
  if (count == 0) return {0, -1};
  const QRect area = viewport()->rect();
  int first = indexAt(QPoint(1, 1)).row();
  if (first < 0) first = 0;
  // The bottom-right cell may be empty (the last row is short, or the
  // viewport's right strip is narrower than a cell): step left to a cell.
  int last = -1;
  const int step = std::max(1, gridSize().width() / 2);
  for (int x = area.width() - 2; x > 0 && last < 0; x -= step) last = indexAt(QPoint(x, area.height() - 2)).row();
  if (last < 0) last = count - 1;
  return {first, std::max(first, last)};
}

void TThumbnailView::UpdateVisibleRange() {
  const auto [first, last] = VisibleRows();
  m_model->Album().SetVisibleRange(first, last);
}

void TThumbnailView::resizeEvent(QResizeEvent* event) {
  QListView::resizeEvent(event);
  UpdateVisibleRange();
}

void TThumbnailView::scrollContentsBy(int dx, int dy) {
  QListView::scrollContentsBy(dx, dy);
  UpdateVisibleRange();
}

void TThumbnailView::showEvent(QShowEvent* event) {
  QListView::showEvent(event);
  UpdateVisibleRange();
}

}  // namespace pix
