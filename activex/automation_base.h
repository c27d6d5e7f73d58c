#pragma once
// The system headers that declare what automation_base.idl stands in for.
#include <ocidl.h>
#include <olectl.h>
