#pragma once
// Whether a file name found in a publisher's folder can be published: the
// launcher must accept it and every player's Windows must be able to create
// it under exactly that name.

#include <string>
#include <string_view>

namespace zv::builder {

// Empty when path (relative, "/"-separated UTF-8) can be published, else the
// reason in a few words ("not valid UTF-8", "ends in a dot or blank", ...).
std::string unpublishableReason(std::string_view path);

}  // namespace zv::builder
