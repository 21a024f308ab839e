#include "bench/common/QtTableBaseline.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QSqlDatabase>

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "dictionary/Dictionary.h"
#include "runtime/ui/IniAccess.h"
#include "runtime/ui/WindowLayer.h"
#include "tests/support/TestDriver.h"

namespace bench {
namespace {

constexpr char kConnection[] = "baseline";

}  // namespace

RowPaints::RowPaints() {
  qApp->installEventFilter(this);
}

bool RowPaints::eventFilter(QObject* o, QEvent* e) {
  if (e->type() != QEvent::Paint) return false;
  auto* v = qobject_cast<QAbstractItemView*>(o->parent());
  if (v && v->viewport() == o && v->model() && v->model()->rowCount() > 0) painted_.insert(v);
  return false;
}

RowPaints& rowPaints() {
  static RowPaints p;
  return p;
}

[[gnu::noinline]] QtTable::QtTable(rt::TestDriver& driver, const std::string& file,
                                   const char* query, QSize size) {
  QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", kConnection);
  db.setDatabaseName(QDir::current().filePath(QString::fromStdString(file)));
  db.open();
  model_.setQuery(query, db);
  view_.setModel(&model_);
  view_.resize(size);
  rowPaints().forget();
  view_.show();
  driver.waitUntil([&] { return rowPaints().painted(&view_); }, 60000);
}

QtTable::~QtTable() {
  view_.setModel(nullptr);
  model_.clear();
  QSqlDatabase::database(kConnection).close();
  QSqlDatabase::removeDatabase(kConnection);
}

std::string QtTable::cell(int row, int column) const {
  return model_.index(row, column).data().toString().toStdString();
}

int RunWindowBenchmarks(int argc, char** argv, const std::function<void()>& prepare,
                        const QString& keptDirectory) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  if (keptDirectory.isEmpty()) {
    QDir::setCurrent(dir.path());
  } else {
    QDir().mkpath(keptDirectory);
    QDir::setCurrent(keptDirectory);
  }
  rt::setProgramIniFile("tarnwick.INI");
  rt::initWindowLayer();
  DictionaryInit();
  prepare();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  DictionaryKill();
  return 0;
}

}  // namespace bench
