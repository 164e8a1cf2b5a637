#include "platform/wx/WxListView.h"

#include <wx/listctrl.h>

#include <algorithm>

namespace varlo::wx {

using win::ListViewClass;

namespace {

wxString Text(const std::string& text) { return wxString::FromUTF8(text); }

wxListColumnFormat Format(int format) {
  if (format == 2) return wxLIST_FORMAT_CENTRE;
  return format == 1 ? wxLIST_FORMAT_RIGHT : wxLIST_FORMAT_LEFT;
}

bool SameColumns(const std::vector<ListViewClass::Column>& a, const std::vector<ListViewClass::Column>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
    return x.text == y.text && x.format == y.format;
  });
}

}  // namespace

ListViewMirror::Row ListViewMirror::Shown(const ListViewClass::Row& row) const {
  Row shown;
  shown.cells.resize(std::max<size_t>(m_columns.size(), 1));
  for (size_t c = 0; c < shown.cells.size() && c < row.cells.size(); ++c) shown.cells[c] = row.cells[c];
  shown.selected = (row.state & win::LVIS_SELECTED) != 0;
  return shown;
}

void ListViewMirror::Insert(wxListCtrl& list, long at, const Row& row) const {
  list.InsertItem(at, Text(row.cells[0]));
  for (size_t c = 1; c < row.cells.size(); ++c) {
    if (!row.cells[c].empty()) list.SetItem(at, static_cast<int>(c), Text(row.cells[c]));
  }
  if (row.selected) list.SetItemState(at, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
}

void ListViewMirror::Rewrite(wxListCtrl& list, long at, const Row& from, const Row& to) const {
  for (size_t c = 0; c < to.cells.size(); ++c) {
    if (from.cells[c] != to.cells[c]) list.SetItem(at, static_cast<int>(c), Text(to.cells[c]));
  }
  if (from.selected != to.selected) list.SetItemState(at, to.selected ? wxLIST_STATE_SELECTED : 0, wxLIST_STATE_SELECTED);
}

void ListViewMirror::Rebuild(wxListCtrl& list, const ListViewClass& view) {
  list.ClearAll();
  m_columns = view.columns;
  for (size_t i = 0; i < m_columns.size(); ++i) {
    const auto& col = m_columns[i];
    list.InsertColumn(static_cast<long>(i), Text(col.text), Format(col.format), col.width);
  }
  m_rows.clear();
  m_rows.reserve(view.rows.size());
  for (const auto& row : view.rows) {
    m_rows.push_back(Shown(row));
    Insert(list, static_cast<long>(m_rows.size() - 1), m_rows.back());
  }
  m_filled = true;
}

void ListViewMirror::SyncRows(wxListCtrl& list, const ListViewClass& view) {
  const size_t had = m_rows.size(), has = view.rows.size();
  std::vector<Row> wanted;
  wanted.reserve(has);
  for (const auto& row : view.rows) wanted.push_back(Shown(row));
  // The stretch that differs: what lies before it and after it is shown already.
  auto same = [](const Row& a, const Row& b) { return a.cells == b.cells && a.selected == b.selected; };
  size_t front = 0;
  while (front < had && front < has && same(m_rows[front], wanted[front])) ++front;
  size_t back = 0;
  while (back < had - front && back < has - front && same(m_rows[had - 1 - back], wanted[has - 1 - back])) ++back;
  const size_t oldEnd = had - back, newEnd = has - back;
  // Rows that stayed in their place are rewritten where they differ; the rest of the
  // stretch is removed or inserted.
  const size_t kept = std::min(oldEnd, newEnd) - front;
  for (size_t i = 0; i < kept; ++i) Rewrite(list, static_cast<long>(front + i), m_rows[front + i], wanted[front + i]);
  if (oldEnd > newEnd) {
    if (newEnd == 0 && back == 0) {
      list.DeleteAllItems();
    } else {
      for (size_t i = oldEnd; i-- > front + kept;) list.DeleteItem(static_cast<long>(i));
    }
  }
  for (size_t i = front + kept; i < newEnd; ++i) Insert(list, static_cast<long>(i), wanted[i]);
  m_rows = std::move(wanted);
}

void ListViewMirror::Sync(wxListCtrl& list, const ListViewClass& view) {
  if (!m_filled || !SameColumns(m_columns, view.columns)) {
    Rebuild(list, view);
    return;
  }
  for (size_t i = 0; i < m_columns.size(); ++i) {
    if (m_columns[i].width == view.columns[i].width) continue;
    m_columns[i].width = view.columns[i].width;
    list.SetColumnWidth(static_cast<int>(i), m_columns[i].width);
  }
  SyncRows(list, view);
}

}  // namespace varlo::wx
