#include "output/IffChunks.h"

namespace fw::iff {

std::string idText(std::string_view id) {
    std::string text;
    for (char ch : id) {
        auto c = static_cast<unsigned char>(ch);
        text += c >= 32 && c < 127 ? ch : '?';
    }
    return text;
}

size_t Builder::begin(const char* four) {
    id(four);
    size_t at = bytes.size();
    u32(0);
    return at;
}

void Builder::end(size_t at) {
    uint32_t length = static_cast<uint32_t>(bytes.size() - at - 4);
    for (int k = 0; k < 4; ++k) bytes[at + static_cast<size_t>(k)] = static_cast<char>(length >> (24 - 8 * k));
    if (length & 1) bytes.push_back(0);
}

void Builder::chunk(const char* four, const std::string& data) {
    size_t at = begin(four);
    bytes += data;
    end(at);
}

bool Walk::next(std::string_view& id, std::string_view& body, std::string& problem) {
    if (at_ >= data_.size()) return false;
    size_t offset = base_ + at_;
    if (data_.size() - at_ < 8) {
        problem = "a chunk header at byte " + std::to_string(offset) + " is cut short";
        return false;
    }
    id = data_.substr(at_, 4);
    uint32_t length = u32At(data_.data() + at_ + 4);
    if (length > data_.size() - at_ - 8) {
        problem = "chunk '" + idText(id) + "' at byte " + std::to_string(offset) + " claims " + std::to_string(length) +
                  " bytes but only " + std::to_string(data_.size() - at_ - 8) + " are left";
        return false;
    }
    body = data_.substr(at_ + 8, length);
    bodyOffset_ = offset + 8;
    at_ += 8 + static_cast<size_t>(length) + (length & 1);
    return true;
}

}  // namespace fw::iff
