// zorvan-render: renders audio through the plug-in from the command line.
#include "tools/render/RenderSession.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return zrender::runRender(args);
}
