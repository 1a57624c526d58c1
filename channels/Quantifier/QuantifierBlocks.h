// The quantifier's own blocks in a scene stream, after the base channel's data: what the channel
// saves, what its load reads and which records it refuses. Hosts read this header without linking
// the plug-in, so that their checks of a stream refuse exactly what the channel would.
//
// Values are the fields' bytes in the machine's (little-endian) order.
#pragma once

#include <cstdint>

#include "Orn_FileStream.h"

struct QuantifierBlock {
    char tag[5];
    uint32_t size;  // the field's; a block of another size was not written by a quantifier
    // Saved only with storeCurrentValue, and read only when the toggle block is there.
    bool storedState;
};

// operationType; always saved.
inline constexpr QuantifierBlock kOperationBlock{"VEOT", 4, false};
// updateChannelname as a byte, 0 or 1; always saved. On load any byte but 0 counts as set.
inline constexpr QuantifierBlock kUpdateBlock{"VEUN", 1, false};
// toggleState. Its presence is what sets storeCurrentValue on load.
inline constexpr QuantifierBlock kToggleBlock{"VEFF", 4, true};
// currentValue.
inline constexpr QuantifierBlock kCurrentValueBlock{"VECF", 4, true};
// storedVector: three floats.
inline constexpr QuantifierBlock kStoredVectorBlock{"VECV", 12, true};

// Every block, in the order a save writes them.
inline constexpr QuantifierBlock kQuantifierBlocks[] = {kOperationBlock, kUpdateBlock, kToggleBlock,
                                                        kCurrentValueBlock, kStoredVectorBlock};

// The first block of the current record, in table order, that the quantifier's load would read
// and that does not hold exactly its field's size; null when the record fits. Without the toggle
// block the stored state is never read, so its other blocks may then hold anything.
inline const QuantifierBlock* MisfitQuantifierBlock(OrnFileLoader& loader) {
    const bool storedState = loader.GetInfoIfTag(kToggleBlock.tag);
    for (const QuantifierBlock& block : kQuantifierBlocks) {
        if (block.storedState && !storedState) continue;
        if (loader.GetInfoIfTag(block.tag) && loader.GetTagSize() != block.size) return &block;
    }
    return nullptr;
}
