// What a window's opening is set beside: a Qt table view on a query model over the same
// SQLite file, shown at the list's size and timed until it has painted its first rows.
#pragma once

#include <QAbstractItemView>
#include <QObject>
#include <QSet>
#include <QSize>
#include <QSqlQueryModel>
#include <QString>
#include <QTableView>
#include <functional>
#include <string>

namespace rt {
class TestDriver;
}

namespace bench {

// Which lists have painted themselves with rows in them, so an opening is timed until its
// rows are drawn. It watches the whole program: a window paints in the pump that shows it.
class RowPaints : public QObject {
 public:
  RowPaints();
  bool eventFilter(QObject* o, QEvent* e) override;
  bool painted(QAbstractItemView* v) const { return painted_.contains(v); }
  void forget() { painted_.clear(); }

 private:
  QSet<QAbstractItemView*> painted_;
};

RowPaints& rowPaints();

// Opened on a connection of its own, as a window opens its files; shown and painted before
// the constructor returns. Not inlined, so a profiler can count the opening alone.
class QtTable {
 public:
  QtTable(rt::TestDriver& driver, const std::string& file, const char* query, QSize size);
  ~QtTable();
  std::string cell(int row, int column = 0) const;  // from 0
  int rows() const { return model_.rowCount(); }

 private:
  QSqlQueryModel model_;
  QTableView view_;
};

// A window benchmark's main: an offscreen program in an empty temporary working directory
// with the dictionary's files; prepare fills and checks them before anything is timed.
// Files too big to make for every run go in a kept directory instead (made when missing).
int RunWindowBenchmarks(int argc, char** argv, const std::function<void()>& prepare,
                        const QString& keptDirectory = {});

}  // namespace bench
