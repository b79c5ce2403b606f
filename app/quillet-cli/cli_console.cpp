#include "app/quillet-cli/cli_console.h"

#include <unistd.h>

namespace quillet {

bool is_terminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) == 1;
}

}  // namespace quillet
