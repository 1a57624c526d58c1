// The channel's own blocks in the scene stream, after the base channel's data.
#include <cstdint>
#include <cstring>

#include "Kch_Quantifier.h"
#include "Orn_FileStream.h"

namespace {
void SaveBlock(OrnFileSaver& saver, const char* tag, const void* data, uint32_t size) {
    // The saver reports failures, but a half-written channel is the saver's to deal with.
    saver.SaveTag(tag);
    saver.SaveBlockSize(size);
    saver.SaveDataToFile(data, size);
}

// Copies the selected block when it has exactly the field's size; a block of any other size
// is ignored and the field keeps its value, so a damaged file never overruns a field.
bool LoadBlock(OrnFileLoader& loader, void* field, uint32_t size) {
    if (loader.GetTagSize() != size) return false;
    return loader.CopyTagDataToPointer(field);
}
}  // namespace

bool Kch_Quantifier::SaveChannel(OrnFileSaver& saver) {
    if (!Orn_Channel::SaveChannel(saver)) return false;
    SaveBlock(saver, "VEOT", &operationType, 4);
    const uint8_t update = updateChannelname ? 1 : 0;
    SaveBlock(saver, "VEUN", &update, 1);
    if (!storeCurrentValue) return true;
    SaveBlock(saver, "VEFF", &toggleState, 4);
    SaveBlock(saver, "VECF", &currentValue, 4);
    SaveBlock(saver, "VECV", storedVector, 12);
    return true;
}

bool Kch_Quantifier::LoadChannel(OrnFileLoader& loader, Orn_ChannelGroup* group) {
    if (!Orn_Channel::LoadChannel(loader, group)) return false;
    if (loader.GetInfoIfTag("VEOT")) LoadBlock(loader, &operationType, 4);
    if (loader.GetInfoIfTag("VEUN")) {
        // Read as a byte: any other value than 0 counts as set (a bool holds only 0 or 1).
        uint8_t update = 0;
        if (LoadBlock(loader, &update, 1)) updateChannelname = update != 0;
    }
    if (loader.GetInfoIfTag("VEFF")) {
        storeCurrentValue = true;
        LoadBlock(loader, &toggleState, 4);
        if (loader.GetInfoIfTag("VECF")) LoadBlock(loader, &currentValue, 4);
        if (loader.GetInfoIfTag("VECV")) LoadBlock(loader, storedVector, 12);
    } else {
        storeCurrentValue = false;
    }
    return true;
}
