// Owning pointers for gdk-pixbuf and GError handles, next to the toolkit's other C handles.
#pragma once

#include "c_handles.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <memory>

namespace vrel_ui {

using GdkPixbufLoaderPtr = std::unique_ptr<GdkPixbufLoader, FreeWith<g_object_unref>>;
using GErrorPtr = std::unique_ptr<GError, FreeWith<g_error_free>>;

} // namespace vrel_ui
