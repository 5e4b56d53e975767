// Stands in for a libmdb that cannot serve the reader: a shared library under libmdb's name
// without any of its functions, so that the loader refuses the reader as where mdbtools is
// missing or broken.
extern "C" int zovudedodaNotLibmdb() { return 0; }
