// Owns one reference to a GObject that no container owns (a CSS provider, a source of events).
#pragma once

#include <glib-object.h>

#include <memory>

namespace gtk {

struct GObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};

template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

}  // namespace gtk
