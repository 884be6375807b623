// The surface library of the demonstration: four surfaces with their hatch fields,
// one of them with a small bitmap file, carried to a second library through a
// surface exchange file and compared there.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

#include "host/surface/surface_library.h"

namespace dlist::cli {

// The files the surface part writes in the demo's folder.
inline constexpr char kDemoSurfaces[] = "surfaces.dlist";
inline constexpr char kDemoSurfaceFile[] = "surfaces.sur";
inline constexpr char kDemoSecondSurfaces[] = "second-surfaces.dlist";

// Fills an empty library with the demo's surfaces; their number, 0 (with the
// reason in *error) when a store call fails.
int fill_demo_surfaces(SURFCONTEXT& library, std::string* error);

// The first difference between the surfaces of names in two libraries ("" when
// they hold them equal, with equal bitmaps).
std::string surface_difference(SURFCONTEXT& a, SURFCONTEXT& b, const std::vector<std::string>& names);

// Creates dir/surfaces.dlist, exports two surfaces (one with its bitmap) to
// dir/surfaces.sur, imports that into dir/second-surfaces.dlist and compares; says
// what it did on out. False, with the reason in *error, on any failure.
bool run_surface_demo(const std::filesystem::path& dir, std::ostream& out, std::string* error);

}  // namespace dlist::cli
