// The interfaces a host uses to embed a control: persistence through a property bag, verbs
// (Properties among them), status flags, property pages and class information.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/automation/type_info.h"
#include "platform/automation/unknown.h"
#include "platform/automation/variant.h"

namespace tavlen::ole {

// Verbs of DoVerb.
inline constexpr int32_t OLEIVERB_PRIMARY = 0;
inline constexpr int32_t OLEIVERB_SHOW = -1;
inline constexpr int32_t OLEIVERB_OPEN = -2;
inline constexpr int32_t OLEIVERB_HIDE = -3;
inline constexpr int32_t OLEIVERB_UIACTIVATE = -4;
inline constexpr int32_t OLEIVERB_INPLACEACTIVATE = -5;
inline constexpr int32_t OLEIVERB_DISCARDUNDOSTATE = -6;
inline constexpr int32_t OLEIVERB_PROPERTIES = -7;

inline constexpr HRESULT OLEOBJ_E_NOVERBS = MakeHResult(0x80040180);
inline constexpr HRESULT OLEOBJ_E_INVALIDVERB = MakeHResult(0x80040181);

// Status flags (GetMiscStatus, registry MiscStatus).
inline constexpr uint32_t OLEMISC_RECOMPOSEONRESIZE = 0x00001;
inline constexpr uint32_t OLEMISC_ONLYICONIC = 0x00002;
inline constexpr uint32_t OLEMISC_INSERTNOTREPLACE = 0x00004;
inline constexpr uint32_t OLEMISC_STATIC = 0x00008;
inline constexpr uint32_t OLEMISC_CANTLINKINSIDE = 0x00010;
inline constexpr uint32_t OLEMISC_CANLINKBYOLE1 = 0x00020;
inline constexpr uint32_t OLEMISC_ISLINKOBJECT = 0x00040;
inline constexpr uint32_t OLEMISC_INSIDEOUT = 0x00080;
inline constexpr uint32_t OLEMISC_ACTIVATEWHENVISIBLE = 0x00100;
inline constexpr uint32_t OLEMISC_RENDERINGISDEVICEINDEPENDENT = 0x00200;
inline constexpr uint32_t OLEMISC_INVISIBLEATRUNTIME = 0x00400;
inline constexpr uint32_t OLEMISC_ALWAYSRUN = 0x00800;
inline constexpr uint32_t OLEMISC_ACTSLIKEBUTTON = 0x01000;
inline constexpr uint32_t OLEMISC_ACTSLIKELABEL = 0x02000;
inline constexpr uint32_t OLEMISC_NOUIACTIVATE = 0x04000;
inline constexpr uint32_t OLEMISC_ALIGNABLE = 0x08000;
inline constexpr uint32_t OLEMISC_SIMPLEFRAME = 0x10000;
inline constexpr uint32_t OLEMISC_SETCLIENTSITEFIRST = 0x20000;

inline constexpr uint32_t DVASPECT_CONTENT = 1;

// Save options of Close.
inline constexpr uint32_t OLECLOSE_SAVEIFDIRTY = 0;
inline constexpr uint32_t OLECLOSE_NOSAVE = 1;
inline constexpr uint32_t OLECLOSE_PROMPTSAVE = 2;

class IPersist : public IUnknown {
 public:
  using Base = IUnknown;
  static constexpr IID kIid{0x0000010C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  virtual HRESULT GetClassID(CLSID* clsid) = 0;

 protected:
  ~IPersist() = default;
};

// The host's store of named values.
class IPropertyBag : public IUnknown {
 public:
  using Base = IUnknown;
  static constexpr IID kIid{0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
  // E_INVALIDARG when the bag holds no such value; `value` arrives with the type wanted (VT_EMPTY: any).
  virtual HRESULT Read(const char* name, Variant* value) = 0;
  virtual HRESULT Write(const char* name, const Variant& value) = 0;

 protected:
  ~IPropertyBag() = default;
};

class IPersistPropertyBag : public IPersist {
 public:
  using Base = IPersist;
  static constexpr IID kIid{0x37D84F60, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
  virtual HRESULT InitNew() = 0;
  virtual HRESULT Load(IPropertyBag* bag) = 0;
  virtual HRESULT Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAllProperties) = 0;

 protected:
  ~IPersistPropertyBag() = default;
};

// The part of an embedded object's interface that a headless container uses.
class IOleObject : public IUnknown {
 public:
  using Base = IUnknown;
  static constexpr IID kIid{0x00000112, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  // OLEOBJ_E_INVALIDVERB for a verb the object does not know.
  virtual HRESULT DoVerb(int32_t verb) = 0;
  virtual HRESULT GetUserClassID(CLSID* clsid) = 0;
  virtual HRESULT GetMiscStatus(uint32_t aspect, DWORD* status) = 0;
  virtual HRESULT Close(uint32_t saveOption) = 0;
  // S_OK when the object has changes not yet saved, S_FALSE otherwise.
  virtual HRESULT IsDirty() = 0;

 protected:
  ~IOleObject() = default;
};

class ISpecifyPropertyPages : public IUnknown {
 public:
  using Base = IUnknown;
  static constexpr IID kIid{0xB196B28B, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
  virtual HRESULT GetPages(std::vector<CLSID>* pages) = 0;

 protected:
  ~ISpecifyPropertyPages() = default;
};

// Lets a host find the class description (and through it the event interface) of an object.
class IProvideClassInfo : public IUnknown {
 public:
  using Base = IUnknown;
  static constexpr IID kIid{0xB196B283, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
  virtual HRESULT GetClassInfo(ITypeInfo** info) = 0;

 protected:
  ~IProvideClassInfo() = default;
};

inline constexpr IID IID_IPersist = IPersist::kIid;
inline constexpr IID IID_IPropertyBag = IPropertyBag::kIid;
inline constexpr IID IID_IPersistPropertyBag = IPersistPropertyBag::kIid;
inline constexpr IID IID_IOleObject = IOleObject::kIid;
inline constexpr IID IID_ISpecifyPropertyPages = ISpecifyPropertyPages::kIid;
inline constexpr IID IID_IProvideClassInfo = IProvideClassInfo::kIid;

}  // namespace tavlen::ole
