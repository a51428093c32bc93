#include "search/searchfile.h"

#include "files/filehandle.h"

namespace rq::search {

Result<std::string> readSearchedFile(const std::string& path) {
    return files::readFileBytes(path, kLargestSearchedFile);
}

}  // namespace rq::search
