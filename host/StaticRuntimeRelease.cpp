// The C++ runtime linked into the plug-in allocates an emergency pool for
// exceptions (about 80 KiB) when the library is loaded and never frees it, so a
// host that unloads and loads the plug-in again (a rescan, the last instance
// removed and a new one added) would lose that much each time. The pool is
// released when the library is unloaded, after which nothing in it runs. Linked
// only into the plug-in with the runtime linked in: with the shared runtime the
// pool is the whole process's.
namespace __gnu_cxx {
void __freeres();
}

namespace {

[[gnu::destructor]] void ReleaseRuntimePool() { __gnu_cxx::__freeres(); }

}  // namespace
