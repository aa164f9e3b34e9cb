// One recursive AddDirectoryTree of a tree, for timing against find: addtree_bench TREE
#include "build/BuildList.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s TREE\n", argv[0]);
        return 2;
    }
    std::string base = argv[1];
    if (base.empty() || base.back() != '/')
        base += '/';
    corvex::TBuildList list;
    corvex::AddDirectoryTree(base, "", list, true);
    return list.empty() ? 1 : 0;
}
