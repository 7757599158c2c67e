// In-memory type libraries built from dispatch tables.
#include "platform/automation/type_library.h"

#include <vector>

#include "platform/automation/com_object.h"
#include "platform/automation/dispatch_invoke.h"

namespace tavlen::ole {

namespace {

std::string Text(const char* s) { return s ? s : ""; }

ElemType ToElemType(const TypeRef& type) { return ElemType{type.vt, Text(type.name)}; }

class TypeLibObject;

class TypeInfoObject final : public ComObject<ITypeInfo> {
 public:
  TypeInfoObject(ComPtr<TypeLibObject> lib, uint32_t index);

  HRESULT GetTypeAttr(TypeAttr* attr) override;
  HRESULT GetFuncDesc(uint32_t index, FuncDesc* desc) override;
  HRESULT GetVarDesc(uint32_t index, VarDesc* desc) override;
  HRESULT GetImplType(uint32_t index, int32_t* implFlags, ITypeInfo** info) override;
  HRESULT GetIDsOfNames(const char* const* names, uint32_t count, DISPID* ids) override;
  HRESULT GetDocumentation(DISPID memid, std::string* name, std::string* help, std::string* helpFile) override;
  HRESULT GetContainingTypeLib(ITypeLib** lib, uint32_t* index) override;

 private:
  const TypeLibDesc& Desc() const;
  // Properties and methods of a dispatch interface, each in table order.
  std::vector<const DispatchMember*> Members(bool properties) const;

  ComPtr<TypeLibObject> m_lib;
  uint32_t m_index;
  TypeKind m_kind = TKIND_ENUM;
  const EnumDesc* m_enum = nullptr;
  const DispatchTable* m_table = nullptr;
  const CoClassDesc* m_class = nullptr;
};

class TypeLibObject final : public ComObject<ITypeLib> {
 public:
  explicit TypeLibObject(const TypeLibDesc& desc) : m_desc(desc) {}

  const TypeLibDesc& Desc() const { return m_desc; }
  uint32_t Count() const {
    return static_cast<uint32_t>(m_desc.enums.size() + m_desc.interfaces.size() + m_desc.classes.size());
  }
  // The index of an interface among all type infos, or -1.
  int32_t IndexOfInterface(const DispatchTable* table) const {
    for (size_t i = 0; i < m_desc.interfaces.size(); ++i) {
      if (m_desc.interfaces[i] == table) return static_cast<int32_t>(m_desc.enums.size() + i);
    }
    return -1;
  }

  uint32_t GetTypeInfoCount() override { return Count(); }

  HRESULT GetTypeInfo(uint32_t index, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index >= Count()) return TYPE_E_ELEMENTNOTFOUND;
    ComPtr<TypeInfoObject> object = MakeObject<TypeInfoObject>(ComPtr<TypeLibObject>(this), index);
    if (!object) return E_OUTOFMEMORY;
    *info = object.Detach();
    return S_OK;
  }

  HRESULT GetTypeInfoOfGuid(const GUID& guid, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    for (uint32_t i = 0; i < Count(); ++i) {
      if (GuidAt(i) == guid) return GetTypeInfo(i, info);
    }
    return TYPE_E_ELEMENTNOTFOUND;
  }

  HRESULT FindTypeInfo(const char* name, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (!name) return E_POINTER;
    for (uint32_t i = 0; i < Count(); ++i) {
      if (detail::SameName(NameAt(i), name)) return GetTypeInfo(i, info);
    }
    return TYPE_E_ELEMENTNOTFOUND;
  }

  HRESULT GetLibAttr(LibAttr* attr) override {
    if (!attr) return E_POINTER;
    *attr = LibAttr{};
    attr->guid = m_desc.libid;
    attr->lcid = m_desc.lcid;
    attr->majorVersion = m_desc.majorVersion;
    attr->minorVersion = m_desc.minorVersion;
    attr->flags = m_desc.libFlags;
    for (const char* import : m_desc.imports) attr->imports.push_back(Text(import));
    return S_OK;
  }

  HRESULT GetDocumentation(int32_t index, std::string* name, std::string* help, std::string* helpFile) override {
    if (index < -1 || index >= static_cast<int32_t>(Count())) return TYPE_E_ELEMENTNOTFOUND;
    if (helpFile) *helpFile = Text(m_desc.helpFile);
    if (index == -1) {
      if (name) *name = Text(m_desc.name);
      if (help) *help = Text(m_desc.help);
      return S_OK;
    }
    if (name) *name = Text(NameAt(static_cast<uint32_t>(index)));
    if (help) *help = Text(HelpAt(static_cast<uint32_t>(index)));
    return S_OK;
  }

  // Checks what CreateTypeLib promises: names everywhere, classes naming listed interfaces.
  bool Valid() const {
    if (!m_desc.name) return false;
    for (uint32_t i = 0; i < Count(); ++i) {
      if (!NameAt(i)) return false;
    }
    for (const DispatchTable* table : m_desc.interfaces) {
      if (!table) return false;
    }
    for (const CoClassDesc& c : m_desc.classes) {
      if (!c.defaultInterface || IndexOfInterface(c.defaultInterface) < 0) return false;
      if (c.defaultSource && IndexOfInterface(c.defaultSource) < 0) return false;
    }
    return true;
  }

 private:
  const char* NameAt(uint32_t i) const {
    if (i < m_desc.enums.size()) return m_desc.enums[i].name;
    i -= static_cast<uint32_t>(m_desc.enums.size());
    if (i < m_desc.interfaces.size()) return m_desc.interfaces[i] ? m_desc.interfaces[i]->name : nullptr;
    return m_desc.classes[i - m_desc.interfaces.size()].name;
  }
  const char* HelpAt(uint32_t i) const {
    if (i < m_desc.enums.size()) return m_desc.enums[i].help;
    i -= static_cast<uint32_t>(m_desc.enums.size());
    if (i < m_desc.interfaces.size()) return m_desc.interfaces[i]->help;
    return m_desc.classes[i - m_desc.interfaces.size()].help;
  }
  GUID GuidAt(uint32_t i) const {
    if (i < m_desc.enums.size()) return m_desc.enums[i].guid;
    i -= static_cast<uint32_t>(m_desc.enums.size());
    if (i < m_desc.interfaces.size()) return m_desc.interfaces[i]->iid;
    return m_desc.classes[i - m_desc.interfaces.size()].clsid;
  }

  TypeLibDesc m_desc;
};

TypeInfoObject::TypeInfoObject(ComPtr<TypeLibObject> lib, uint32_t index) : m_lib(std::move(lib)), m_index(index) {
  const TypeLibDesc& desc = m_lib->Desc();
  if (index < desc.enums.size()) {
    m_kind = TKIND_ENUM;
    m_enum = &desc.enums[index];
    return;
  }
  index -= static_cast<uint32_t>(desc.enums.size());
  if (index < desc.interfaces.size()) {
    m_kind = TKIND_DISPATCH;
    m_table = desc.interfaces[index];
    return;
  }
  m_kind = TKIND_COCLASS;
  m_class = &desc.classes[index - desc.interfaces.size()];
}

const TypeLibDesc& TypeInfoObject::Desc() const { return m_lib->Desc(); }

std::vector<const DispatchMember*> TypeInfoObject::Members(bool properties) const {
  std::vector<const DispatchMember*> members;
  if (!m_table) return members;
  for (const DispatchMember& m : m_table->members) {
    if (m.IsProperty() == properties) members.push_back(&m);
  }
  return members;
}

HRESULT TypeInfoObject::GetTypeAttr(TypeAttr* attr) {
  if (!attr) return E_POINTER;
  *attr = TypeAttr{};
  attr->kind = m_kind;
  attr->lcid = Desc().lcid;
  switch (m_kind) {
    case TKIND_ENUM:
      attr->guid = m_enum->guid;
      attr->varCount = static_cast<uint16_t>(m_enum->members.size());
      break;
    case TKIND_DISPATCH:
      attr->guid = m_table->iid;
      attr->funcCount = static_cast<uint16_t>(Members(false).size());
      attr->varCount = static_cast<uint16_t>(Members(true).size());
      attr->typeFlags = static_cast<uint16_t>(m_table->typeFlags | TYPEFLAG_FDISPATCHABLE);
      break;
    default:
      attr->guid = m_class->clsid;
      attr->implTypeCount = m_class->defaultSource ? 2 : 1;
      attr->typeFlags = m_class->typeFlags;
      attr->majorVersion = Desc().majorVersion;
      attr->minorVersion = Desc().minorVersion;
      break;
  }
  return S_OK;
}

HRESULT TypeInfoObject::GetFuncDesc(uint32_t index, FuncDesc* desc) {
  if (!desc) return E_POINTER;
  std::vector<const DispatchMember*> methods = Members(false);
  if (index >= methods.size()) return TYPE_E_ELEMENTNOTFOUND;
  const DispatchMember& m = *methods[index];
  *desc = FuncDesc{};
  desc->memid = m.dispid;
  desc->invokeKind = INVOKE_FUNC;
  desc->name = Text(m.name);
  desc->help = Text(m.help);
  desc->result = ToElemType(m.type);
  for (const ParamDesc& p : m.Params()) desc->params.push_back(ParamInfo{Text(p.name), ToElemType(p.type)});
  return S_OK;
}

HRESULT TypeInfoObject::GetVarDesc(uint32_t index, VarDesc* desc) {
  if (!desc) return E_POINTER;
  if (m_kind == TKIND_ENUM) {
    if (index >= m_enum->members.size()) return TYPE_E_ELEMENTNOTFOUND;
    const EnumMember& e = m_enum->members[index];
    *desc = VarDesc{};
    desc->memid = static_cast<DISPID>(index);
    desc->kind = VAR_CONST;
    desc->name = Text(e.name);
    desc->help = Text(e.help);
    desc->type = ElemType{VT_I4, ""};
    desc->value = Variant(e.value);
    return S_OK;
  }
  std::vector<const DispatchMember*> properties = Members(true);
  if (index >= properties.size()) return TYPE_E_ELEMENTNOTFOUND;
  const DispatchMember& m = *properties[index];
  *desc = VarDesc{};
  desc->memid = m.dispid;
  desc->kind = VAR_DISPATCH;
  desc->name = Text(m.name);
  desc->help = Text(m.help);
  desc->type = ToElemType(m.type);
  if (m.IsReadOnly()) desc->flags |= VARFLAG_FREADONLY;
  if (m.kind == MemberKind::StockProperty) desc->flags |= VARFLAG_FBINDABLE | VARFLAG_FREQUESTEDIT;
  return S_OK;
}

HRESULT TypeInfoObject::GetImplType(uint32_t index, int32_t* implFlags, ITypeInfo** info) {
  if (info) *info = nullptr;
  if (!implFlags || !info) return E_POINTER;
  if (m_kind != TKIND_COCLASS) return TYPE_E_ELEMENTNOTFOUND;
  const DispatchTable* table = index == 0 ? m_class->defaultInterface : index == 1 ? m_class->defaultSource : nullptr;
  if (!table) return TYPE_E_ELEMENTNOTFOUND;
  *implFlags = index == 0 ? IMPLTYPEFLAG_FDEFAULT : IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE;
  int32_t libIndex = m_lib->IndexOfInterface(table);
  if (libIndex < 0) return TYPE_E_ELEMENTNOTFOUND;
  return m_lib->GetTypeInfo(static_cast<uint32_t>(libIndex), info);
}

HRESULT TypeInfoObject::GetIDsOfNames(const char* const* names, uint32_t count, DISPID* ids) {
  if (m_table) return TableGetIDsOfNames(*m_table, names, count, ids);
  if (!names || !ids) return E_POINTER;
  for (uint32_t i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  if (count == 0) return E_INVALIDARG;
  if (m_enum && names[0]) {
    for (size_t i = 0; i < m_enum->members.size(); ++i) {
      if (detail::SameName(m_enum->members[i].name, names[0])) ids[0] = static_cast<DISPID>(i);
    }
  }
  return ids[0] == DISPID_UNKNOWN || count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

HRESULT TypeInfoObject::GetDocumentation(DISPID memid, std::string* name, std::string* help, std::string* helpFile) {
  if (memid == MEMBERID_NIL) return m_lib->GetDocumentation(static_cast<int32_t>(m_index), name, help, helpFile);
  const char* memberName = nullptr;
  const char* memberHelp = nullptr;
  if (m_table) {
    const DispatchMember* m = m_table->FindId(memid);
    if (!m) return TYPE_E_ELEMENTNOTFOUND;
    memberName = m->name;
    memberHelp = m->help;
  } else if (m_enum && memid >= 0 && static_cast<size_t>(memid) < m_enum->members.size()) {
    memberName = m_enum->members[static_cast<size_t>(memid)].name;
    memberHelp = m_enum->members[static_cast<size_t>(memid)].help;
  } else {
    return TYPE_E_ELEMENTNOTFOUND;
  }
  if (name) *name = Text(memberName);
  if (help) *help = Text(memberHelp);
  if (helpFile) *helpFile = Text(Desc().helpFile);
  return S_OK;
}

HRESULT TypeInfoObject::GetContainingTypeLib(ITypeLib** lib, uint32_t* index) {
  if (!lib) return E_POINTER;
  *lib = m_lib.Get();
  m_lib->AddRef();
  if (index) *index = m_index;
  return S_OK;
}

}  // namespace

HRESULT CreateTypeLib(const TypeLibDesc& desc, ITypeLib** lib) {
  if (!lib) return E_POINTER;
  *lib = nullptr;
  ComPtr<TypeLibObject> object = MakeObject<TypeLibObject>(desc);
  if (!object) return E_OUTOFMEMORY;
  if (!object->Valid()) return E_INVALIDARG;
  *lib = object.Detach();
  return S_OK;
}

}  // namespace tavlen::ole
