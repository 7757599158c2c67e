// Owning handles for the cairo, pango and fontconfig objects the painter makes.
#pragma once

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <glib-object.h>
#include <pango/pango.h>

#include <memory>

namespace tavlen::gfx::detail {

struct CairoDeleter {
  void operator()(cairo_t* p) const { cairo_destroy(p); }
  void operator()(cairo_surface_t* p) const { cairo_surface_destroy(p); }
  void operator()(cairo_pattern_t* p) const { cairo_pattern_destroy(p); }
  void operator()(cairo_path_t* p) const { cairo_path_destroy(p); }
  void operator()(cairo_font_options_t* p) const { cairo_font_options_destroy(p); }
};
using CairoPtr = std::unique_ptr<cairo_t, CairoDeleter>;
using SurfacePtr = std::unique_ptr<cairo_surface_t, CairoDeleter>;
using PatternPtr = std::unique_ptr<cairo_pattern_t, CairoDeleter>;
using CairoPathPtr = std::unique_ptr<cairo_path_t, CairoDeleter>;
using FontOptionsPtr = std::unique_ptr<cairo_font_options_t, CairoDeleter>;

// Null-safe, so that a shared_ptr made from a failed lookup can hold it too.
struct GObjectDeleter {
  void operator()(gpointer p) const {
    if (p) g_object_unref(p);
  }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectDeleter>;
// For objects that several owners keep alive, such as the copies of a paint callback.
template <typename T>
std::shared_ptr<T> SharedGObject(T* object) {
  return std::shared_ptr<T>(object, GObjectDeleter{});
}

struct PangoDeleter {
  void operator()(PangoFontDescription* p) const { pango_font_description_free(p); }
  void operator()(PangoAttrList* p) const { pango_attr_list_unref(p); }
};
using FontDescriptionPtr = std::unique_ptr<PangoFontDescription, PangoDeleter>;
using AttrListPtr = std::unique_ptr<PangoAttrList, PangoDeleter>;

struct FcDeleter {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
  void operator()(FcFontSet* p) const { FcFontSetDestroy(p); }
  void operator()(FcObjectSet* p) const { FcObjectSetDestroy(p); }
};
using FcPatternPtr = std::unique_ptr<FcPattern, FcDeleter>;
using FcFontSetPtr = std::unique_ptr<FcFontSet, FcDeleter>;
using FcObjectSetPtr = std::unique_ptr<FcObjectSet, FcDeleter>;

// True when cairo made the object; a failed cairo object is a valid "nil" object that must still be destroyed.
inline bool Good(cairo_t* cr) { return cr && cairo_status(cr) == CAIRO_STATUS_SUCCESS; }
inline bool Good(cairo_surface_t* s) { return s && cairo_surface_status(s) == CAIRO_STATUS_SUCCESS; }
inline bool Good(cairo_pattern_t* p) { return p && cairo_pattern_status(p) == CAIRO_STATUS_SUCCESS; }

}  // namespace tavlen::gfx::detail
