// A library that loads but is no in-process server: it has no DllGetClassObject.
extern "C" __attribute__((visibility("default"))) int NotAServer() { return 0; }
