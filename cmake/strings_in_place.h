// Forced into every Windows source: std::string's member functions are instantiated in the
// programs themselves, as far as they are used, instead of being taken from the C++ library's
// prebuilt instantiation. That one comes whole (its unwind tables keep every function alive),
// some 30 KiB of each program. -1 is libstdc++'s own setting for "no extern templates for
// basic_string".
#pragma once

#include <bits/c++config.h>

#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE -1
