// Worker threads, each with a control of its own, that load the files asked for and detach them for the
// window's control.
#include "hosts/viewer/read_ahead.h"

#include <pthread.h>
#include <sys/resource.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "hosts/viewer/picture_formats.h"
#include "platform/automation/com_ids.h"
#include "platform/automation/loader.h"
#include "platform/automation/ole_object.h"

namespace tavlen::viewer {
namespace {

// Decoding ahead yields the processors to the window's thread, whose paints must not wait for it.
constexpr int kWorkerNiceness = 5;

}  // namespace

std::unique_ptr<ReadAhead> ReadAhead::For(AutomationClient& shown) {
  if (!shown.Object()) return nullptr;
  ole::ComPtr<IPictureHandover> handover;
  if (ole::FAILED(shown.Object()->QueryInterface(IPictureHandover::kIid, handover.PutVoid()))) return nullptr;
  ole::ComPtr<ole::IPersistPropertyBag> persist;
  ole::CLSID clsid;
  if (ole::FAILED(shown.Object()->QueryInterface(ole::IID_IPersistPropertyBag, persist.PutVoid())) ||
      ole::FAILED(persist->GetClassID(&clsid)))
    return nullptr;
  Settings settings{.classId = ole::FormatGuid(clsid),
                    .autoOrient = shown.Get("AutoOrient").AsBool(),
                    .colorManaged = shown.Get("ColorManaged").AsBool(),
                    .extraFormats = shown.Get("ExtraFormats").AsBool()};
  return std::unique_ptr<ReadAhead>(new ReadAhead(std::move(handover), std::move(settings)));
}

ReadAhead::ReadAhead(ole::ComPtr<IPictureHandover> shown, Settings settings)
    : m_shown(std::move(shown)), m_settings(std::move(settings)) {}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard lock(m_mutex);
    m_stopping = true;
  }
  m_changed.notify_all();
  for (auto& worker : m_workers) worker->thread.join();
}

ReadAhead::FileStamp ReadAhead::StampOf(const QString& path) {
  const QFileInfo file(path);
  return file.exists() ? FileStamp{file.size(), file.lastModified()} : FileStamp{};
}

void ReadAhead::Keep(const QStringList& paths) {
  std::vector<ole::ComPtr<ole::IUnknown>> dropped;  // released outside the lock
  {
    std::lock_guard lock(m_mutex);
    if (m_workers.empty()) {
      for (int i = 0; i < kWorkers; ++i) m_workers.push_back(std::make_unique<Worker>());
      for (auto& worker : m_workers) worker->thread = std::thread([this, w = worker.get()] { Work(*w); });
    }
    QStringList wanted;
    for (const QString& path : paths) {
      if (!path.isEmpty() && !wanted.contains(path) && wanted.size() < kWorkers) wanted << path;
    }
    // A worker that holds or decodes a file still wanted keeps it; the others take the rest.
    std::vector<Worker*> free;
    for (auto& worker : m_workers) {
      if (!wanted.removeOne(worker->wanted)) free.push_back(worker.get());
    }
    for (Worker* worker : free) {
      dropped.push_back(std::move(worker->picture));
      worker->wanted = wanted.isEmpty() ? QString() : wanted.takeFirst();
      worker->decoded.clear();
    }
  }
  m_changed.notify_all();
}

void ReadAhead::ShownAt(QSize view) {
  std::lock_guard lock(m_mutex);
  m_view = view;
}

std::optional<int32_t> ReadAhead::ShowIn(const QString& path) {
  Decoded taken;
  {
    std::unique_lock lock(m_mutex);
    const auto found =
        std::find_if(m_workers.begin(), m_workers.end(), [&](const auto& worker) { return worker->wanted == path; });
    if (path.isEmpty() || found == m_workers.end()) return std::nullopt;
    Worker& worker = **found;
    // Only this thread changes what is wanted, so the decode under way is of this file.
    m_changed.wait(lock, [&] { return worker.decoded == path; });
    taken = {std::move(worker.picture), worker.frames, worker.stamp};
    worker.wanted.clear();
    worker.decoded.clear();
  }
  if (!taken.picture || StampOf(path) != taken.stamp) return std::nullopt;
  if (m_shown->AdoptPicture(taken.picture.Get()) != ole::S_OK) return std::nullopt;
  ++m_shownCount;
  return taken.frames;
}

bool ReadAhead::Busy() const {
  std::lock_guard lock(m_mutex);
  return std::any_of(m_workers.begin(), m_workers.end(),
                     [](const auto& worker) { return !worker->wanted.isEmpty() && worker->wanted != worker->decoded; });
}

void ReadAhead::Work(Worker& worker) {
  pthread_setname_np(pthread_self(), "read-ahead");
  // On Linux the niceness is the calling thread's, and threads the decoders start inherit it.
  (void)setpriority(PRIO_PROCESS, 0, getpriority(PRIO_PROCESS, 0) + kWorkerNiceness);
  std::unique_ptr<AutomationClient> control;
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_changed.wait(lock, [&] { return m_stopping || (!worker.wanted.isEmpty() && worker.wanted != worker.decoded); });
    if (m_stopping) break;
    const QString path = worker.wanted;
    const QSize view = m_view;
    lock.unlock();
    Decoded decoded = Decode(path, view, control);
    lock.lock();
    // A file no longer wanted is dropped, outside the lock.
    if (worker.wanted != path) {
      lock.unlock();
      decoded = {};
      lock.lock();
      continue;
    }
    worker.decoded = path;
    worker.picture = std::move(decoded.picture);
    worker.frames = decoded.frames;
    worker.stamp = decoded.stamp;
    m_changed.notify_all();
  }
  lock.unlock();
  control.reset();  // on the thread that made it
}

ReadAhead::Decoded ReadAhead::Decode(const QString& path, QSize view, std::unique_ptr<AutomationClient>& control) {
  if (!control) control = MakeControl();
  if (!control) return {};
  Decoded decoded;
  // Taken before reading: a file that changes during the decode no longer matches.
  decoded.stamp = StampOf(path);
  const ole::Variant name(QFile::encodeName(path).toStdString());
  decoded.frames = MayHoldSeveralFrames(path) ? control->Call("GetFrameCount", {name}).AsInt() : 1;
  if (decoded.frames < 1 || !control->Call("LoadImage", {name}).Ok()) return {};
  ole::ComPtr<IPictureHandover> handover;
  if (ole::FAILED(control->Object()->QueryInterface(IPictureHandover::kIid, handover.PutVoid()))) return {};
  // A size the control refuses leaves the copy made for a full-HD screen: correct, only slower to draw.
  if (!view.isEmpty()) (void)handover->SetAdoptingView(view.width(), view.height());
  ole::IUnknown* picture = nullptr;
  if (handover->DetachPicture(&picture) != ole::S_OK) return {};  // S_FALSE: the file could not be decoded
  decoded.picture = ole::ComPtr<ole::IUnknown>::Attach(picture);
  return decoded;
}

std::unique_ptr<AutomationClient> ReadAhead::MakeControl() const {
  ole::ComPtr<ole::IDispatch> object;
  if (ole::FAILED(ole::CreateObject(m_settings.classId, &object))) return nullptr;
  ole::ComPtr<ole::IPersistPropertyBag> persist;
  if (ole::SUCCEEDED(object.As(&persist)) && ole::FAILED(persist->InitNew())) return nullptr;
  auto control = std::make_unique<AutomationClient>(std::move(object));
  const std::pair<const char*, bool> settings[] = {{"AutoOrient", m_settings.autoOrient},
                                                   {"ColorManaged", m_settings.colorManaged},
                                                   {"ExtraFormats", m_settings.extraFormats}};
  for (const auto& [property, value] : settings) {
    if (!control->Put(property, ole::Variant(value)).Ok()) return nullptr;
  }
  return control;
}

}  // namespace tavlen::viewer
