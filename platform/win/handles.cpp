// The handle types are header-only templates; this unit keeps the library
// target non-empty and checks the traits once at compile time.
#include "platform/win/handles.h"

#include <type_traits>

namespace kv::win {

static_assert(!std::is_copy_constructible_v<Font>);
static_assert(std::is_nothrow_move_constructible_v<Font>);
static_assert(sizeof(Font) == sizeof(HFONT));

}  // namespace kv::win
