// The channel's own blocks in the scene stream, after the base channel's data.
//
//   "VEOT"  4 bytes  operationType                 always
//   "VEUN"  1 byte   updateChannelname, 0 or 1     always
//   "VEFF"  4 bytes  toggleState                   only with storeCurrentValue; its presence
//   "VECF"  4 bytes  currentValue                    is what sets storeCurrentValue on load
//   "VECV" 12 bytes  storedVector
//
// Values are the fields' bytes in the machine's (little-endian) order.
#include <cstdint>
#include <cstring>

#include "Kch_Quantifier.h"
#include "Operations.h"
#include "Orn_FileStream.h"

namespace {
void SaveBlock(OrnFileSaver& saver, const char* tag, const void* data, uint32_t size) {
    // A refused write damages the saver's record, and the saver then drops the whole record;
    // nothing here could mend it.
    saver.SaveTag(tag);
    saver.SaveBlockSize(size);
    saver.SaveDataToFile(data, size);
}

// True when the block is absent or holds exactly `size` bytes.
bool AbsentOrSized(OrnFileLoader& loader, const char* tag, uint32_t size) {
    return !loader.GetInfoIfTag(tag) || loader.GetTagSize() == size;
}

// Every block that LoadChannel would copy has exactly its field's size.
bool BlocksFitFields(OrnFileLoader& loader) {
    if (!AbsentOrSized(loader, "VEOT", 4) || !AbsentOrSized(loader, "VEUN", 1)) return false;
    // Without "VEFF" the other two state blocks are never read, whatever they hold.
    if (!loader.GetInfoIfTag("VEFF")) return true;
    return loader.GetTagSize() == 4 && AbsentOrSized(loader, "VECF", 4) &&
           AbsentOrSized(loader, "VECV", 12);
}

// Copies the block with that tag into the field when it is present; the field's size bounds the
// copy whatever the block claims.
bool LoadBlock(OrnFileLoader& loader, const char* tag, void* field, size_t size) {
    return loader.GetInfoIfTag(tag) && loader.CopyTagDataToPointer(field, size);
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
    static_assert(sizeof operationType == 4 && sizeof toggleState == 4 &&
                  sizeof currentValue == 4 && sizeof storedVector == 12);
    // A block of another size than its field was not written by this channel: the record is
    // refused before the base or any field changes, rather than loaded in part.
    if (!BlocksFitFields(loader)) return false;
    if (!Orn_Channel::LoadChannel(loader, group)) return false;
    LoadBlock(loader, "VEOT", &operationType, 4);
    evaluate = operations::FunctionOf(operationType);
    // Read as a byte, never straight into the bool: any value other than 0 counts as set.
    uint8_t update = 0;
    if (LoadBlock(loader, "VEUN", &update, 1)) updateChannelname = update != 0;
    if (loader.GetInfoIfTag("VEFF")) {
        storeCurrentValue = true;
        loader.CopyTagDataToPointer(&toggleState, 4);
        LoadBlock(loader, "VECF", &currentValue, 4);
        LoadBlock(loader, "VECV", storedVector, 12);
    } else {
        storeCurrentValue = false;
    }
    return true;
}
