// A module with the plug-in's two entry points and nothing behind them: loading it costs what
// the system's loader costs by itself, the baseline of the plug-in's load time.
namespace {
char record[256];
char object[16];
}  // namespace

extern "C" __attribute__((visibility("default"))) void* GetType() {
    return record;
}
extern "C" __attribute__((visibility("default"))) void* InitDLL() {
    return object;
}
