#pragma once
// The album as a grid of thumbnails: a list model over the album's pictures
// whose thumbnails come from a TThumbnailAlbum (made on its workers when an
// item is painted), and an icon-mode list view that tells the album which
// items are on the screen. Each item shows its run status as a small badge.
#include <QAbstractListModel>
#include <QListView>
#include <QStyledItemDelegate>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/logic/run_result.h"
#include "app/logic/thumbnail_album.h"

namespace pix {

class TThumbnailListModel : public QAbstractListModel {
  Q_OBJECT

public:
  struct TEntry {
    QString Subfolder;  // as shown
    QString File;
    std::string Path;   // the picture file
    std::optional<TRowResult> Result;  // after the run reached it
  };

  enum TRole {
    ThumbnailRole = Qt::UserRole + 1,  // QImage; asks for the thumbnail when it is not made yet
    BadgeRole,                          // int: TBadge
    ThumbnailFailedRole,                // bool: the picture could not be read
  };
  enum TBadge { bgNone, bgConverted, bgDamaged, bgSkipped, bgFailed };

  TThumbnailListModel(TThumbnailAlbum::TOptions options, QObject* parent = nullptr);
  ~TThumbnailListModel() override;

  // Replaces the items (a model reset); thumbnails of pictures that stay are kept.
  void SetEntries(std::vector<TEntry> entries);
  const std::vector<TEntry>& Entries() const { return m_entries; }
  void SetResult(int row, const TRowResult& result);
  TThumbnailAlbum& Album() { return *m_album; }
  int32_t Box() const { return m_album->Box(); }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

private:
  void ThumbnailReady(uint64_t generation, int row);

  std::vector<TEntry> m_entries;
  std::unique_ptr<TThumbnailAlbum> m_album;
};

// Draws an item: the thumbnail 1:1 in the middle of its box (a grey box while
// it is made), the file name under it, the badge at the box's top-right corner.
class TThumbnailDelegate : public QStyledItemDelegate {
  Q_OBJECT

public:
  TThumbnailDelegate(int32_t box, QObject* parent);
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  // The size of every item's cell.
  QSize CellSize(const QFontMetrics& metrics) const;

private:
  int32_t m_box;
};

class TThumbnailView : public QListView {
  Q_OBJECT

public:
  TThumbnailView(TThumbnailListModel* model, QWidget* parent);
  TThumbnailListModel* ThumbnailModel() const { return m_model; }
  // Rows of the selected items, ascending.
  std::vector<int> SelectedRows() const;
  // The rows on the screen now (first, last); last < first when none.
  std::pair<int, int> VisibleRows() const;

signals:
  void PictureActivated(int row);

protected:
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void showEvent(QShowEvent* event) override;

private:
  void UpdateVisibleRange();

  TThumbnailListModel* m_model;
};

}  // namespace pix
