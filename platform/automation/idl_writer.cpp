// IDL text of a type library, written from its ITypeLib so that what is printed is what hosts load.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/automation/type_library.h"

namespace tavlen::ole {

namespace {

// Standard DISPIDs are printed by their names, as hand-written IDL does.
struct StandardDispId {
  DISPID id;
  const char* name;
};

constexpr StandardDispId kStandardDispIds[] = {
    {-501, "DISPID_BACKCOLOR"},     {-502, "DISPID_BACKSTYLE"},   {-503, "DISPID_BORDERCOLOR"},
    {-504, "DISPID_BORDERSTYLE"},   {-505, "DISPID_BORDERWIDTH"}, {-512, "DISPID_FONT"},
    {-513, "DISPID_FORECOLOR"},     {-514, "DISPID_ENABLED"},     {-515, "DISPID_HWND"},
    {-516, "DISPID_TABSTOP"},       {-517, "DISPID_TEXT"},        {-518, "DISPID_CAPTION"},
    {-519, "DISPID_BORDERVISIBLE"}, {-520, "DISPID_APPEARANCE"},  {-550, "DISPID_REFRESH"},
    {-551, "DISPID_DOCLICK"},       {-552, "DISPID_ABOUTBOX"},    {-600, "DISPID_CLICK"},
    {-601, "DISPID_DBLCLICK"},      {-602, "DISPID_KEYDOWN"},     {-603, "DISPID_KEYPRESS"},
    {-604, "DISPID_KEYUP"},         {-605, "DISPID_MOUSEDOWN"},   {-606, "DISPID_MOUSEMOVE"},
    {-607, "DISPID_MOUSEUP"},       {-608, "DISPID_ERROREVENT"},
};

std::string IdText(DISPID id) {
  for (const StandardDispId& s : kStandardDispIds) {
    if (s.id == id) return s.name;
  }
  return std::to_string(id);
}

std::string Quoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// The GUID without braces, as uuid() takes it.
std::string Uuid(const GUID& guid) {
  std::string text = FormatGuid(guid);
  return text.substr(1, text.size() - 2);
}

std::string TypeText(const ElemType& type) { return type.name.empty() ? VarTypeIdlName(type.vt) : type.name; }

std::string Attributes(const std::vector<std::string>& items) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + items[i];
  return out + "]";
}

// A multi-line attribute block at `indent`.
void AttributeBlock(std::string* out, const std::string& indent, const std::vector<std::string>& items) {
  *out += indent + "[\n";
  for (size_t i = 0; i < items.size(); ++i) *out += indent + "  " + items[i] + (i + 1 < items.size() ? ",\n" : "\n");
  *out += indent + "]\n";
}

HRESULT WriteEnum(ITypeInfo* info, const TypeAttr& attr, std::string* out) {
  std::string name, help;
  HRESULT hr = info->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr);
  if (FAILED(hr)) return hr;
  std::vector<std::string> attrs = {"uuid(" + Uuid(attr.guid) + ")"};
  if (!help.empty()) attrs.push_back("helpstring(" + Quoted(help) + ")");
  *out += "    typedef " + Attributes(attrs) + "\n    enum {\n";
  for (uint16_t i = 0; i < attr.varCount; ++i) {
    VarDesc var;
    hr = info->GetVarDesc(i, &var);
    if (FAILED(hr)) return hr;
    *out += "        ";
    if (!var.help.empty()) *out += "[helpstring(" + Quoted(var.help) + ")] ";
    *out += var.name + " = " + std::to_string(var.value.I4()) + (i + 1 < attr.varCount ? ",\n" : "\n");
  }
  *out += "    } " + name + ";\n\n";
  return S_OK;
}

HRESULT WriteDispinterface(ITypeInfo* info, const TypeAttr& attr, std::string* out) {
  std::string name, help;
  HRESULT hr = info->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr);
  if (FAILED(hr)) return hr;
  std::vector<std::string> attrs = {"uuid(" + Uuid(attr.guid) + ")"};
  if (!help.empty()) attrs.push_back("helpstring(" + Quoted(help) + ")");
  if (attr.typeFlags & TYPEFLAG_FHIDDEN) attrs.push_back("hidden");
  AttributeBlock(out, "    ", attrs);
  *out += "    dispinterface " + name + " {\n        properties:\n";
  for (uint16_t i = 0; i < attr.varCount; ++i) {
    VarDesc var;
    hr = info->GetVarDesc(i, &var);
    if (FAILED(hr)) return hr;
    std::vector<std::string> items = {"id(" + IdText(var.memid) + ")"};
    if (var.flags & VARFLAG_FREADONLY) items.push_back("readonly");
    if (var.flags & VARFLAG_FBINDABLE) items.push_back("bindable");
    if (var.flags & VARFLAG_FREQUESTEDIT) items.push_back("requestedit");
    if (!var.help.empty()) items.push_back("helpstring(" + Quoted(var.help) + ")");
    *out += "            " + Attributes(items) + " " + TypeText(var.type) + " " + var.name + ";\n";
  }
  *out += "        methods:\n";
  for (uint16_t i = 0; i < attr.funcCount; ++i) {
    FuncDesc func;
    hr = info->GetFuncDesc(i, &func);
    if (FAILED(hr)) return hr;
    std::vector<std::string> items = {"id(" + IdText(func.memid) + ")"};
    if (!func.help.empty()) items.push_back("helpstring(" + Quoted(func.help) + ")");
    std::string params;
    for (size_t p = 0; p < func.params.size(); ++p) {
      params += (p ? ", " : "") + TypeText(func.params[p].type) + " " + func.params[p].name;
    }
    *out += "            " + Attributes(items) + " " + TypeText(func.result) + " " + func.name + "(" + params + ");\n";
  }
  *out += "    };\n\n";
  return S_OK;
}

HRESULT WriteCoClass(ITypeInfo* info, const TypeAttr& attr, std::string* out) {
  std::string name, help;
  HRESULT hr = info->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr);
  if (FAILED(hr)) return hr;
  std::vector<std::string> attrs = {"uuid(" + Uuid(attr.guid) + ")"};
  if (!help.empty()) attrs.push_back("helpstring(" + Quoted(help) + ")");
  if (attr.typeFlags & TYPEFLAG_FCONTROL) attrs.push_back("control");
  if (!(attr.typeFlags & TYPEFLAG_FCANCREATE)) attrs.push_back("noncreatable");
  AttributeBlock(out, "    ", attrs);
  *out += "    coclass " + name + " {\n";
  for (uint16_t i = 0; i < attr.implTypeCount; ++i) {
    int32_t flags = 0;
    ComPtr<ITypeInfo> impl;
    hr = info->GetImplType(i, &flags, impl.Put());
    if (FAILED(hr)) return hr;
    std::string implName;
    hr = impl->GetDocumentation(MEMBERID_NIL, &implName, nullptr, nullptr);
    if (FAILED(hr)) return hr;
    std::vector<std::string> items;
    if (flags & IMPLTYPEFLAG_FDEFAULT) items.push_back("default");
    if (flags & IMPLTYPEFLAG_FSOURCE) items.push_back("source");
    *out +=
        "        " + (items.empty() ? std::string() : Attributes(items) + " ") + "dispinterface " + implName + ";\n";
  }
  *out += "    };\n\n";
  return S_OK;
}

}  // namespace

HRESULT FormatIdl(ITypeLib* lib, std::string* idl) {
  if (!lib || !idl) return E_POINTER;
  LibAttr libAttr;
  HRESULT hr = lib->GetLibAttr(&libAttr);
  if (FAILED(hr)) return hr;
  std::string name, help, helpFile;
  hr = lib->GetDocumentation(-1, &name, &help, &helpFile);
  if (FAILED(hr)) return hr;

  // The standard DISPIDs are printed by name and the OLE types are named: an IDL compiler takes both
  // from these headers of the platform SDK.
  std::string out = "#include <olectl.h>\n#include <idispids.h>\n\n";
  std::vector<std::string> attrs = {
      "uuid(" + Uuid(libAttr.guid) + ")",
      "version(" + std::to_string(libAttr.majorVersion) + "." + std::to_string(libAttr.minorVersion) + ")"};
  if (libAttr.lcid != 0) {
    char lcid[32];
    std::snprintf(lcid, sizeof lcid, "lcid(0x%04X)", libAttr.lcid);
    attrs.push_back(lcid);
  }
  if (!help.empty()) attrs.push_back("helpstring(" + Quoted(help) + ")");
  if (!helpFile.empty()) attrs.push_back("helpfile(" + Quoted(helpFile) + ")");
  if (libAttr.flags & LIBFLAG_FCONTROL) attrs.push_back("control");
  if (libAttr.flags & LIBFLAG_FHIDDEN) attrs.push_back("hidden");
  AttributeBlock(&out, "", attrs);
  out += "library " + name + "\n{\n";
  for (const std::string& import : libAttr.imports) out += "    importlib(" + Quoted(import) + ");\n";
  if (!libAttr.imports.empty()) out += "\n";

  for (uint32_t i = 0; i < lib->GetTypeInfoCount(); ++i) {
    ComPtr<ITypeInfo> info;
    hr = lib->GetTypeInfo(i, info.Put());
    if (FAILED(hr)) return hr;
    TypeAttr attr;
    hr = info->GetTypeAttr(&attr);
    if (FAILED(hr)) return hr;
    switch (attr.kind) {
      case TKIND_ENUM:
        hr = WriteEnum(info.Get(), attr, &out);
        break;
      case TKIND_DISPATCH:
        hr = WriteDispinterface(info.Get(), attr, &out);
        break;
      case TKIND_COCLASS:
        hr = WriteCoClass(info.Get(), attr, &out);
        break;
      default:
        hr = E_NOTIMPL;
        break;
    }
    if (FAILED(hr)) return hr;
  }
  // No blank line before the closing brace.
  if (out.size() >= 2 && out.compare(out.size() - 2, 2, "\n\n") == 0) out.pop_back();
  out += "};\n";
  *idl = std::move(out);
  return S_OK;
}

}  // namespace tavlen::ole
