// orva-info: loads the plug-in like a host and prints its identification and
// parameters.   orva-info [path/to/Orva_Tessmark.so]
#include <cstdio>

#include "tools/PluginLoader.h"

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : ORVA_DEFAULT_PLUGIN;
    PluginLoader plugin;
    if (!plugin.Load(path)) {
        std::fprintf(stderr, "orva-info: %s\n", plugin.error().c_str());
        return 1;
    }
    AEffect* e = plugin.effect();
    const int32_t id = e->uniqueID;
    std::printf("plug-in   %s\n", path);
    std::printf("name      %s\n", plugin.EffectName().c_str());
    std::printf("unique id %c%c%c%c\n", (id >> 24) & 0xFF, (id >> 16) & 0xFF, (id >> 8) & 0xFF, id & 0xFF);
    std::printf("version   %d   inputs %d   outputs %d   programs %d   parameters %d   delay %d\n",
                e->version, e->numInputs, e->numOutputs, e->numPrograms, e->numParams, e->initialDelay);
    std::printf("flags     %s%s%s\n", (e->flags & effFlagsHasEditor) ? "editor " : "",
                (e->flags & effFlagsCanReplacing) ? "replacing " : "",
                (e->flags & effFlagsProgramChunks) ? "chunks" : "");
    std::printf("\n  #  %-14s %-10s %s\n", "name", "display", "normalised");
    for (int32_t i = 0; i < e->numParams; ++i)
        std::printf(" %2d  %-14s %-10s %.4f\n", i, plugin.ParameterName(i).c_str(),
                    plugin.ParameterDisplay(i).c_str(), e->getParameter(e, i));
    return 0;
}
