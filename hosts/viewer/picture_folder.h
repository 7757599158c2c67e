// The pictures of the open picture's folder in natural order ("img2" before "img10"), for moving to the
// next, previous, first and last one. The folder is watched, so files added, removed or renamed are seen.
#pragma once

#include <QFileSystemWatcher>
#include <QString>
#include <QStringList>
#include <functional>

namespace tavlen::viewer {

// Natural order of file names: digit runs compare by value, letters without regard to case.
void SortNaturally(QStringList& names);

class PictureFolder {
 public:
  // `changed` is called after the listing changed on disk.
  explicit PictureFolder(std::function<void()> changed = {});

  // Lists the folder of `path` (when it is another folder than the one listed) and makes `path` current.
  void SetCurrent(const QString& path);
  QString Current() const { return m_current; }

  // 1-based position of the current picture and the number of pictures; 0 and 0 without a current one,
  // and position 0 while the current file is gone from the folder.
  int Position() const;
  int Count() const { return static_cast<int>(m_names.size()); }

  // The picture `step` places after (negative: before) the current one; empty past either end, as the
  // listing does not wrap. A current file that is gone counts from where it stood.
  QString Neighbour(int step) const;
  QString First() const;
  QString Last() const;

 private:
  void Rescan();
  QString PathOf(int index) const;
  // Index of the current name, or where it would stand in the sorted listing.
  int Anchor(bool* found) const;

  QString m_folder;
  QString m_current;
  QStringList m_names;  // file names only, sorted
  QFileSystemWatcher m_watcher;
  std::function<void()> m_changed;
};

}  // namespace tavlen::viewer
