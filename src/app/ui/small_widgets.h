#pragma once
// Small widgets the window's layout needs beyond Qt's own.
#include <QCheckBox>
#include <QLabel>
#include <QObject>
#include <QScrollArea>
#include <QStyledItemDelegate>

class QLineEdit;

namespace pix {

// A check box whose caption wraps onto more lines when its column is narrow.
class TWrapCheckBox : public QCheckBox {
  Q_OBJECT

public:
  TWrapCheckBox(const QString& text, QWidget* parent);
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;

protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }

private:
  int IndicatorWidth() const;
  QRect TextRect(int width) const;
};

// A scroll area that asks for the height its content needs at the width it
// has (content with wrapping captions grows taller as it narrows), and no
// more; smaller than that, it scrolls.
class TFitScrollArea : public QScrollArea {
  Q_OBJECT

public:
  using QScrollArea::QScrollArea;
  QSize sizeHint() const override;

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  int m_lastWidth = -1;
};

// A label that shows a long path elided in the middle, so the file name at
// its end stays readable; the whole text is in its tooltip.
class TElidedLabel : public QLabel {
  Q_OBJECT

public:
  TElidedLabel(const QString& text, QWidget* parent);
  void SetFullText(const QString& text);
  const QString& FullText() const { return m_full; }
  QSize minimumSizeHint() const override;

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  void Elide();
  QString m_full;
};

// Draws a list's check marks as the run's record, not as controls: they do
// not react to the mouse or keyboard and are drawn without the hover and
// focus cues of an editable box.
class TReadOnlyCheckDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;

protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
  bool editorEvent(QEvent*, QAbstractItemModel*, const QStyleOptionViewItem&, const QModelIndex&) override {
    return true;
  }
};

// Lets a folder (or a file, for its folder) dropped from a file manager fill
// a line edit.
void AcceptFolderDrops(QLineEdit* edit);

}  // namespace pix
