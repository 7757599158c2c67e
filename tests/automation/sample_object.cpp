// The sample class: its dispatch and event tables, its behaviour and its type library.
#include "tests/automation/sample_object.h"

#include <atomic>

namespace tavlen::test {

namespace {

std::atomic<int> g_instances{0};

constexpr ole::EnumMember kShades[] = {{"Light", 0}, {"Dark", 1}, {"Striped", 2, "Lines across"}};
constexpr ole::EnumDesc kEnums[] = {{"ShadeKind", kShadeEnumId, "Shades of the sample", kShades}};
constexpr const char* kImports[] = {"stdole2.tlb"};

}  // namespace

const ole::DispatchTable& CSample::AutomationTable() {
  using B = ole::Bind<CSample>;
  using ole::VT_BOOL, ole::VT_BSTR, ole::VT_EMPTY, ole::VT_I2, ole::VT_I4, ole::VT_R8, ole::VT_UI4;
  static constexpr ole::DispatchMember kMembers[] = {
      B::Property<&CSample::m_count, &CSample::OnCountChanged>("Count", 1, VT_I4, "How many"),
      B::Property<&CSample::m_label>("Label", 2, VT_BSTR),
      B::Property<&CSample::m_ratio>("Ratio", 3, VT_R8),
      B::Property<&CSample::m_shade>("Shade", 4, {VT_I2, "ShadeKind"}),
      B::PropertyGetPut<&CSample::GetTotal>("Total", 5, VT_I4),
      B::Method<&CSample::Add>("Add", 6, VT_I4, {{"Amount", VT_I4}}, "Adds to the total"),
      B::Method<&CSample::Describe>("Describe", 7, VT_BSTR, {}),
      B::Method<&CSample::Scale>("Scale", 8, VT_EMPTY, {{"Factor", VT_R8}, {"Steps", VT_I2}}),
      B::Method<&CSample::Check>("Check", 9, VT_BOOL, {{"Flag", VT_BOOL}}),
      B::Method<&CSample::Join>("Join", 10, VT_BSTR, {{"First", VT_BSTR}, {"Second", VT_BSTR}}),
      B::Method<&CSample::Ping>("Ping", 11, VT_EMPTY, {{"Value", VT_I4}}),
      B::Stock<&CSample::GetBackColor, &CSample::SetBackColor>("BackColor", -501, {VT_UI4, "OLE_COLOR"}),
      B::Stock<&CSample::GetEnabled, &CSample::SetEnabled>("Enabled", -514, VT_BOOL),
      B::Method<&CSample::AboutBox>("AboutBox", -552, VT_EMPTY, {}),
  };
  static constexpr ole::DispatchTable kTable = ole::MakeTable<CSample>(
      "_DSample", kSampleIid, "Dispatch interface for the sample", kMembers, ole::TYPEFLAG_FHIDDEN);
  return kTable;
}

const ole::DispatchTable& CSample::EventTable() {
  using ole::VT_I2, ole::VT_I4;
  static constexpr ole::DispatchMember kMembers[] = {
      ole::Event("Pinged", 1, {{"Value", VT_I4}}),
      ole::Event("Click", -600, {}),
      ole::Event(
          "MouseDown", -605,
          {{"Button", VT_I2}, {"Shift", VT_I2}, {"X", {VT_I4, "OLE_XPOS_PIXELS"}}, {"Y", {VT_I4, "OLE_YPOS_PIXELS"}}}),
  };
  static constexpr ole::DispatchTable kTable = ole::MakeEventTable(
      "_DSampleEvents", kSampleEventsIid, "Event interface for the sample", kMembers, ole::TYPEFLAG_FHIDDEN);
  return kTable;
}

const ole::TypeLibDesc& SampleTypeLib() {
  static const ole::DispatchTable* const kInterfaces[] = {&CSample::AutomationTable(), &CSample::EventTable()};
  static const ole::CoClassDesc kClasses[] = {{"Sample", kSampleClsid, "Sample Control", &CSample::AutomationTable(),
                                               &CSample::EventTable(),
                                               ole::TYPEFLAG_FCANCREATE | ole::TYPEFLAG_FCONTROL}};
  static const ole::TypeLibDesc kLib{
      "SampleLib",  kSampleLibId,          1,        0,      0,           "Sample automation library",
      "sample.hlp", ole::LIBFLAG_FCONTROL, kImports, kEnums, kInterfaces, kClasses};
  return kLib;
}

CSample::CSample() : m_events(ControllingUnknown(), kSampleEventsIid) { ++g_instances; }
CSample::~CSample() { --g_instances; }

int CSample::Instances() { return g_instances.load(); }

ole::HRESULT CSample::EnumConnectionPoints(ole::IEnumConnectionPoints** points) {
  return m_events.Container()->EnumConnectionPoints(points);
}

ole::HRESULT CSample::FindConnectionPoint(const ole::IID& iid, ole::IConnectionPoint** point) {
  return m_events.Container()->FindConnectionPoint(iid, point);
}

int32_t CSample::Add(int32_t amount) {
  m_total += amount;
  return m_total;
}

std::string CSample::Describe() const { return m_label + " x" + std::to_string(m_count); }

void CSample::Scale(double factor, int16_t steps) {
  for (int16_t i = 0; i < steps; ++i) m_ratio *= factor;
}

int32_t CSample::Check(int32_t flag) { return flag == 1 ? 0 : 1; }

std::string CSample::Join(const std::string& first, const std::string& second) { return first + second; }

void CSample::Ping(int32_t value) { m_events.Fire(1, {ole::Variant(value)}); }

void CSample::OnCountChanged() {
  ++m_countChanges;
  m_countSeen = m_count;
}

}  // namespace tavlen::test
