#include "same_file.h"

namespace varnoke_las {

std::size_t SameFiles::KeyHash::operator()(const FileKey &key) const {
    return static_cast<std::size_t>(key.inode * 0x9E3779B97F4A7C15u ^ key.device);
}

SameFiles::SameFiles(std::size_t remembered) : remembered_(remembered) {}

SameFiles::Listing SameFiles::listed(const FileKey &key) {
    if (!key.known || remembered_ == 0) return {};
    const auto [at, added] = files_.try_emplace(key);
    if (!added) return {at->second, true};
    at->second = std::make_shared<SharedResult>();
    order_.push_back(key);
    if (order_.size() > remembered_) {
        files_.erase(order_.front());
        order_.pop_front();
    }
    return {at->second, false};
}

}  // namespace varnoke_las
