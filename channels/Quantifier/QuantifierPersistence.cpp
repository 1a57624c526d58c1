// The channel's own blocks in the scene stream, after the base channel's data; QuantifierBlocks.h
// describes each.
#include <cstdint>
#include <cstring>

#include "Kch_Quantifier.h"
#include "Operations.h"
#include "Orn_FileStream.h"
#include "QuantifierBlocks.h"

namespace {
void SaveBlock(OrnFileSaver& saver, const QuantifierBlock& block, const void* data) {
    // A refused write damages the saver's record, and the saver then drops the whole record;
    // nothing here could mend it.
    saver.SaveTag(block.tag);
    saver.SaveBlockSize(block.size);
    saver.SaveDataToFile(data, block.size);
}

// Copies the block into its field when it is present; the field's size bounds the copy whatever
// the block claims.
bool LoadBlock(OrnFileLoader& loader, const QuantifierBlock& block, void* field) {
    return loader.GetInfoIfTag(block.tag) && loader.CopyTagDataToPointer(field, block.size);
}
}  // namespace

bool Kch_Quantifier::SaveChannel(OrnFileSaver& saver) {
    if (!Orn_Channel::SaveChannel(saver)) return false;
    SaveBlock(saver, kOperationBlock, &operationType);
    const uint8_t update = updateChannelname ? 1 : 0;
    SaveBlock(saver, kUpdateBlock, &update);
    if (!storeCurrentValue) return true;
    SaveBlock(saver, kToggleBlock, &toggleState);
    SaveBlock(saver, kCurrentValueBlock, &currentValue);
    SaveBlock(saver, kStoredVectorBlock, storedVector);
    return true;
}

bool Kch_Quantifier::LoadChannel(OrnFileLoader& loader, Orn_ChannelGroup* group) {
    static_assert(sizeof operationType == kOperationBlock.size &&
                  sizeof(uint8_t) == kUpdateBlock.size && sizeof toggleState == kToggleBlock.size &&
                  sizeof currentValue == kCurrentValueBlock.size &&
                  sizeof storedVector == kStoredVectorBlock.size);
    // A block of another size than its field was not written by this channel: the record is
    // refused before the base or any field changes, rather than loaded in part.
    if (MisfitQuantifierBlock(loader)) return false;
    if (!Orn_Channel::LoadChannel(loader, group)) return false;
    LoadBlock(loader, kOperationBlock, &operationType);
    evaluate = operations::FunctionOf(operationType);
    // Read as a byte, never straight into the bool: any value other than 0 counts as set.
    uint8_t update = 0;
    if (LoadBlock(loader, kUpdateBlock, &update)) updateChannelname = update != 0;
    if (loader.GetInfoIfTag(kToggleBlock.tag)) {
        storeCurrentValue = true;
        loader.CopyTagDataToPointer(&toggleState, kToggleBlock.size);
        LoadBlock(loader, kCurrentValueBlock, &currentValue);
        LoadBlock(loader, kStoredVectorBlock, storedVector);
    } else {
        storeCurrentValue = false;
    }
    return true;
}
