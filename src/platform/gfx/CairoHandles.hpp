#pragma once
// cairo's handle types, declared as cairo.h declares them, so that the
// drawing layer's headers can hand a context or a surface out without
// bringing cairo's whole interface to everything that draws. Sources that
// call cairo include cairo.h themselves.
typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;
