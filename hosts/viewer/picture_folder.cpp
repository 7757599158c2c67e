// Listing, natural sorting and watching of the open picture's folder.
#include "hosts/viewer/picture_folder.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "hosts/viewer/picture_formats.h"

namespace tavlen::viewer {
namespace {

// The run of digits or of other characters that starts at `from`.
QStringView RunAt(const QString& name, qsizetype from) {
  const bool digits = name[from].isDigit();
  qsizetype end = from;
  while (end < name.size() && name[end].isDigit() == digits) ++end;
  return QStringView(name).mid(from, end - from);
}

// Digit runs by value: without leading zeros the longer run is the larger number.
int CompareNumbers(QStringView a, QStringView b) {
  while (a.size() > 1 && a.front() == u'0') a = a.mid(1);
  while (b.size() > 1 && b.front() == u'0') b = b.mid(1);
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b);
}

int CompareNaturally(const QString& a, const QString& b) {
  qsizetype i = 0;
  qsizetype j = 0;
  while (i < a.size() && j < b.size()) {
    const QStringView runA = RunAt(a, i);
    const QStringView runB = RunAt(b, j);
    const bool numbers = runA.front().isDigit() && runB.front().isDigit();
    const int order = numbers ? CompareNumbers(runA, runB) : runA.compare(runB, Qt::CaseInsensitive);
    if (order != 0) return order;
    i += runA.size();
    j += runB.size();
  }
  if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
  return 0;
}

bool NaturallyBefore(const QString& a, const QString& b) {
  const int order = CompareNaturally(a, b);
  // Names equal but for case or leading zeros still get one fixed order.
  return order != 0 ? order < 0 : a < b;
}

}  // namespace

void SortNaturally(QStringList& names) { std::sort(names.begin(), names.end(), NaturallyBefore); }

PictureFolder::PictureFolder(std::function<void()> changed) : m_changed(std::move(changed)) {
  QObject::connect(&m_watcher, &QFileSystemWatcher::directoryChanged, [this](const QString&) {
    Rescan();
    if (m_changed) m_changed();
  });
}

void PictureFolder::SetCurrent(const QString& path) {
  const QFileInfo file(path);
  const QString folder = file.absolutePath();
  m_current = file.fileName();
  if (folder == m_folder) return;
  if (!m_watcher.directories().isEmpty()) m_watcher.removePaths(m_watcher.directories());
  m_folder = folder;
  m_watcher.addPath(m_folder);
  Rescan();
}

void PictureFolder::Rescan() {
  m_names.clear();
  const QStringList entries = QDir(m_folder).entryList(QDir::Files | QDir::Readable | QDir::Hidden);
  for (const QString& name : entries) {
    if (IsOpenablePicture(name)) m_names << name;
  }
  SortNaturally(m_names);
}

int PictureFolder::Anchor(bool* found) const {
  const auto at = std::lower_bound(m_names.begin(), m_names.end(), m_current, NaturallyBefore);
  *found = at != m_names.end() && *at == m_current;
  return static_cast<int>(at - m_names.begin());
}

int PictureFolder::Position() const {
  if (m_current.isEmpty()) return 0;
  bool found = false;
  const int index = Anchor(&found);
  return found ? index + 1 : 0;
}

QString PictureFolder::PathOf(int index) const {
  if (index < 0 || index >= m_names.size()) return {};
  return QDir(m_folder).filePath(m_names[index]);
}

QString PictureFolder::Neighbour(int step) const {
  if (m_current.isEmpty() || step == 0) return {};
  bool found = false;
  const int index = Anchor(&found);
  // A vanished current name sits between its neighbours: the next one already stands at `index`.
  if (!found && step > 0) return PathOf(index + step - 1);
  return PathOf(index + step);
}

QString PictureFolder::First() const { return PathOf(0); }

QString PictureFolder::Last() const { return PathOf(static_cast<int>(m_names.size()) - 1); }

}  // namespace tavlen::viewer
