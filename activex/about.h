#pragma once
// The about box: a small modal dialog that names the product.

#include <windows.h>

namespace brevix::activex {

// Shows the dialog modally, without an owner window; returns when it is closed.
void ShowAboutBox(HINSTANCE instance);

}  // namespace brevix::activex
