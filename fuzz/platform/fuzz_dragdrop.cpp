// Arbitrary bytes as a dropped private block, a dropped file's name and an Internet shortcut:
// reading never runs past the block, and what is read writes back to the same fields.

#include "platform/DragDropBlock.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace artikel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const TDragDropBlock block = DecodeDragDropBlock(bytes);
    if (block.origin.size() > kDragOriginSize || block.body.size() > kDragBodySize ||
        block.sender.size() > kDragSenderSize || block.extra.size() > kDragExtraSize)
        std::abort();
    const std::string encoded = EncodeDragDropBlock(block);
    if (encoded.size() != kDragDropBlockSize)
        std::abort();
    const TDragDropBlock again = DecodeDragDropBlock(encoded);
    if (again.body != block.body || again.sender != block.sender || again.extra != block.extra)
        std::abort();

    const std::string name = CleanVirtualFileName(bytes);
    for (char c : name)
        if ((static_cast<unsigned char>(c) < 32) || std::string_view("\\?|><:/*\"").find(c) != std::string_view::npos)
            std::abort();
    const std::string url = InternetShortcutUrl(bytes);
    if (url.size() > bytes.size())
        std::abort();
    return 0;
}
