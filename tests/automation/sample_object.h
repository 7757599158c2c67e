// A small automatable class with properties of every binding kind, methods, an event interface and a
// type library: what the runtime tests drive directly and through a loadable module.
#pragma once

#include <cstdint>
#include <string>

#include "platform/automation/connection_point.h"
#include "platform/automation/dispatch_invoke.h"
#include "platform/automation/type_library.h"

namespace tavlen::test {

// {D055E801-EFF4-4CF9-8DEF-068F694C940D}
inline constexpr ole::GUID kSampleLibId{0xD055E801, 0xEFF4, 0x4CF9, {0x8D, 0xEF, 0x06, 0x8F, 0x69, 0x4C, 0x94, 0x0D}};
// {0E1684F3-1EA2-4DD1-BDAE-9776E45476D6}
inline constexpr ole::CLSID kSampleClsid{0x0E1684F3, 0x1EA2, 0x4DD1, {0xBD, 0xAE, 0x97, 0x76, 0xE4, 0x54, 0x76, 0xD6}};
// {6C5E6024-7DA0-4546-A29D-EED52FBC4AD6}
inline constexpr ole::IID kSampleIid{0x6C5E6024, 0x7DA0, 0x4546, {0xA2, 0x9D, 0xEE, 0xD5, 0x2F, 0xBC, 0x4A, 0xD6}};
// {F2BBCAF6-455C-42E9-88BC-FCC7FDF443D9}
inline constexpr ole::IID kSampleEventsIid{
    0xF2BBCAF6, 0x455C, 0x42E9, {0x88, 0xBC, 0xFC, 0xC7, 0xFD, 0xF4, 0x43, 0xD9}};
// {3035E61C-ADFC-432C-BD92-201F71D79BB7}
inline constexpr ole::GUID kShadeEnumId{0x3035E61C, 0xADFC, 0x432C, {0xBD, 0x92, 0x20, 0x1F, 0x71, 0xD7, 0x9B, 0xB7}};

inline constexpr const char* kSampleProgId = "Tavlen.Sample.1";

class CSample : public ole::DispatchObject<CSample, ole::IConnectionPointContainer> {
 public:
  CSample();
  ~CSample() override;

  static const ole::DispatchTable& AutomationTable();
  static const ole::DispatchTable& EventTable();

  // IConnectionPointContainer, served by the event source.
  ole::HRESULT EnumConnectionPoints(ole::IEnumConnectionPoints** points) override;
  ole::HRESULT FindConnectionPoint(const ole::IID& iid, ole::IConnectionPoint** point) override;

  // How many times each notification ran, for tests.
  int CountChanges() const { return m_countChanges; }
  int32_t CountSeenByNotification() const { return m_countSeen; }
  int AboutCalls() const { return m_aboutCalls; }

  // Live CSample objects in this binary.
  static int Instances();

 private:
  // Methods.
  int32_t Add(int32_t amount);
  std::string Describe() const;
  void Scale(double factor, int16_t steps);
  int32_t Check(int32_t flag);  // BOOL in, BOOL out
  std::string Join(const std::string& first, const std::string& second);
  void Ping(int32_t value);
  void AboutBox() { ++m_aboutCalls; }
  // Properties through functions.
  int32_t GetTotal() const { return m_total; }
  int32_t GetEnabled() const { return m_enabled; }
  void SetEnabled(int32_t enabled) { m_enabled = enabled; }
  uint32_t GetBackColor() const { return m_backColor; }
  void SetBackColor(uint32_t color) { m_backColor = color; }
  // Change notification of Count.
  void OnCountChanged();

  int32_t m_count = 0;
  std::string m_label;
  double m_ratio = 1.0;
  int16_t m_shade = 0;
  int32_t m_total = 0;
  int32_t m_enabled = 1;
  uint32_t m_backColor = 0x8000000F;
  int m_countChanges = 0;
  int32_t m_countSeen = 0;
  int m_aboutCalls = 0;
  ole::EventSource m_events;
};

const ole::TypeLibDesc& SampleTypeLib();

}  // namespace tavlen::test
