#include "tables/CFListModel.h"

#include <QFont>

#include "tables/CFListCtrl.h"

CFListModel::CFListModel(CFListCtrl& list) : QAbstractTableModel(&list), m_list(list) {}

int CFListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : m_list.GetDisplayedRowCount();
}

int CFListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : m_list.GetColumnCount();
}

bool CFListModel::valid(const QModelIndex& index) const {
  return index.isValid() && index.model() == this && index.row() < rowCount() && index.column() < columnCount();
}

XFList_Row* CFListModel::rowAt(int listIndex) const { return m_list.GetDisplayedRow(listIndex); }

QVariant CFListModel::data(const QModelIndex& index, int role) const {
  if (!valid(index)) return {};
  XFList_Row* row = rowAt(index.row());
  const XFList_Item& cell = row->items[index.column()];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return cell.text;
    case Qt::ToolTipRole: {
      CFListOwner* owner = m_list.owner();
      const QString tip = owner ? owner->GetCellToolTip(m_list, row, index.column()) : QString();
      return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    case Qt::FontRole:
      if (row->bold) {
        QFont f = m_list.font();
        f.setBold(true);
        return f;
      }
      return {};
    case Qt::TextAlignmentRole: {
      int align = m_list.m_columns[index.column()].alignment;  // 0 left, 1 centre, 2 right
      if (cell.format.flags & FLF_ALIGN)
        align = cell.format.alignment == FL_RIGHT ? 2 : cell.format.alignment == FL_CENTER ? 1 : 0;
      const Qt::Alignment h = align == 2 ? Qt::AlignRight : align == 1 ? Qt::AlignHCenter : Qt::AlignLeft;
      return QVariant::fromValue(h | Qt::AlignVCenter);
    }
    case Qt::CheckStateRole: {
      const XFList_ControlProfile* p = m_list.profileOf(cell.profile);
      if (!p || !(p->kind & FLP_CHECKBOX)) return {};
      return cell.check == 1 ? Qt::Checked : cell.check == 2 ? Qt::PartiallyChecked : Qt::Unchecked;
    }
    default:
      return {};
  }
}

QVariant CFListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= m_list.GetColumnCount()) return {};
  const XFList_Column& column = m_list.m_columns[section];
  if (role == Qt::DisplayRole) return column.heading;
  if (role == Qt::TextAlignmentRole) {
    const Qt::Alignment h = column.alignment == 2   ? Qt::AlignRight
                            : column.alignment == 1 ? Qt::AlignHCenter
                                                    : Qt::AlignLeft;
    return QVariant::fromValue(h | Qt::AlignVCenter);
  }
  return {};
}

Qt::ItemFlags CFListModel::flags(const QModelIndex& index) const {
  if (!valid(index)) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  XFList_Row* row = rowAt(index.row());
  const XFList_Item& cell = row->items[index.column()];
  const XFList_ControlProfile* p = m_list.profileOf(cell.profile);
  if (p && !(cell.format.flags & FLF_READONLY)) {
    const int kind = p->kind & 0xFFFF & ~FLP_CHECKBOX;
    if (kind == FLP_EDIT || kind == FLP_EDITBUTTON || kind == FLP_COMBO || kind == FLP_EDITCOMBO ||
        kind == FLP_NUMBER || kind == FLP_TIME)
      f |= Qt::ItemIsEditable;
  }
  return f;
}
