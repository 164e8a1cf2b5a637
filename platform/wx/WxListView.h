// The toolkit's list control kept in step with a list view's rows and columns.  The
// control is told only what changed since it was last in step: rows inserted, removed or
// rewritten in one stretch cost the toolkit calls for that stretch, so a list filled or
// emptied row by row costs time in proportion to its rows.
#pragma once

#include <string>
#include <vector>

#include "platform/win/ControlClasses.h"

class wxListCtrl;

namespace varlo::wx {

class ListViewMirror {
 public:
  // Brings `list` in step with `view`; the first call (or one after the columns changed)
  // fills it whole.
  void Sync(wxListCtrl& list, const win::ListViewClass& view);

 private:
  struct Row {
    std::vector<std::string> cells;  // one per column
    bool selected = false;
  };
  void Rebuild(wxListCtrl& list, const win::ListViewClass& view);
  void SyncRows(wxListCtrl& list, const win::ListViewClass& view);
  Row Shown(const win::ListViewClass::Row& row) const;
  void Insert(wxListCtrl& list, long at, const Row& row) const;
  void Rewrite(wxListCtrl& list, long at, const Row& from, const Row& to) const;

  bool m_filled = false;
  std::vector<win::ListViewClass::Column> m_columns;
  std::vector<Row> m_rows;
};

}  // namespace varlo::wx
