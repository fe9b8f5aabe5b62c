#pragma once
// Numbers of the string table texts of the tag action.

namespace tag_ids {
inline constexpr unsigned kTagInvalid = 12303; // "The tag must be text of at most 16 characters."
} // namespace tag_ids
