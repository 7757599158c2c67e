// The neighbours of the shown picture decoded ahead, so that moving to one shows it at once. Each is
// loaded on a worker thread of its own by a control of its own, of the shown control's class and with
// its load settings, and detached there; the shown control adopts it as its own load. A worker's
// control is called on its own thread only: the pictures cross between threads as objects.
#pragma once

#include <QDateTime>
#include <QSize>
#include <QString>
#include <QStringList>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "hosts/viewer/automation_client.h"
#include "include/tavlen/picture_handover.h"

namespace tavlen::viewer {

class ReadAhead {
 public:
  static constexpr int kWorkers = 2;  // the next picture and the previous one

  // Null when the shown control cannot adopt pictures (version 1, or an object in front of it) or
  // does not tell its class.
  static std::unique_ptr<ReadAhead> For(AutomationClient& shown);
  ~ReadAhead();  // waits for the decodes under way
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // The files to hold decoded from now on (empty names are skipped, at most kWorkers): the pictures of
  // other files are dropped, and decodes of them under way are dropped when they end.
  void Keep(const QStringList& paths);
  // The shown control's client size, for the reduced copies the workers' controls make of what they
  // detach; decodes that start from now on use it.
  void ShownAt(QSize view);

  // Makes `path` the shown control's picture when it was decoded ahead and its file is unchanged
  // since, after waiting for its decode if that is under way. The number of its frames, or nothing
  // when the caller must load it itself (not read ahead, damaged, changed on disk, refused).
  std::optional<int32_t> ShowIn(const QString& path);

  // Whether a decode is under way or waiting for a worker.
  bool Busy() const;
  // How many pictures were shown from here.
  int ShownCount() const { return m_shownCount; }

 private:
  // What identifies the file's contents cheaply: a file rewritten in place changes either.
  struct FileStamp {
    qint64 size = -1;
    QDateTime modified;
    bool operator==(const FileStamp&) const = default;
  };
  // One worker's state, guarded by m_mutex.
  struct Worker {
    std::thread thread;
    QString wanted;   // the file to hold decoded; empty for none
    QString decoded;  // the file whose decode ended last (picture null when it failed)
    ole::ComPtr<ole::IUnknown> picture;
    int32_t frames = 0;
    FileStamp stamp;
  };
  struct Decoded {
    ole::ComPtr<ole::IUnknown> picture;
    int32_t frames = 0;
    FileStamp stamp;
  };
  // How the shown control decodes: the workers' controls are made alike.
  struct Settings {
    std::string classId;  // "{…}"
    bool autoOrient = true;
    bool colorManaged = true;
    bool extraFormats = true;
  };

  ReadAhead(ole::ComPtr<IPictureHandover> shown, Settings settings);
  static FileStamp StampOf(const QString& path);
  void Work(Worker& worker);
  // On the worker's thread, with its control (made on first use).
  Decoded Decode(const QString& path, QSize view, std::unique_ptr<AutomationClient>& control);
  std::unique_ptr<AutomationClient> MakeControl() const;

  ole::ComPtr<IPictureHandover> m_shown;
  const Settings m_settings;
  mutable std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<std::unique_ptr<Worker>> m_workers;  // started by the first Keep
  bool m_stopping = false;
  QSize m_view;  // invalid until the window tells it
  int m_shownCount = 0;
};

}  // namespace tavlen::viewer
