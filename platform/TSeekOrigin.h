#pragma once

namespace artikel {

// Where a stream seek counts from; shared by every stream of the program.
enum class TSeekOrigin { Beginning, Current, End };

} // namespace artikel
