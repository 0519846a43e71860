// The resources are compiled in by qt_add_resources; this file gives the library a translation unit.
namespace quorvel::resources {
int anchor = 0;
}
