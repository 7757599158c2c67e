// Listing, natural sorting and watching of the open picture's folder.
#include "hosts/viewer/picture_folder.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "hosts/viewer/picture_formats.h"

namespace tavlen::viewer {
namespace {

const QCollator& NaturalCollator() {
  static const QCollator collator = [] {
    QCollator made;
    made.setNumericMode(true);
    made.setCaseSensitivity(Qt::CaseInsensitive);
    return made;
  }();
  return collator;
}

bool NaturallyBefore(const QString& a, const QString& b) {
  const int order = NaturalCollator().compare(a, b);
  // Names equal but for case still get one fixed order.
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
