// The base of every channel: children, names, time stamps, the per-render check and
// persistence of the base data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Orn_ChildLinks.h"
#include "Orn_EngineInterface.h"
#include "Orn_Records.h"
#include "Orn_Types.h"

class OrnFileSaver;
class OrnFileLoader;
class Orn_ChannelGroup;

class Orn_Channel;

// Called for every child lookup, before the lookup answers; lets a host or a test see which
// children a channel asks for and in which order. A lookup by link GUID is told under that
// GUID, one by position whatever the interface (GetChild) under orn_guid::kWildcard, and the
// engine's internal-child lookup (ChannelInternal::GetInternalChild) under orn_guid::kNull.
// Null: nobody is told.
using OrnLookupObserver = void (*)(const Orn_Channel* parent, const OrnGuid& interfaceGuid,
                                   int index, void* context);
void OrnSetLookupObserver(OrnLookupObserver observer, void* context);
// Tells the observer, if any, of one lookup; for the engine's own lookups outside the channel.
void OrnReportLookup(const Orn_Channel* parent, const OrnGuid& interfaceGuid, int index);

class Orn_Channel {
public:
    Orn_Channel();
    Orn_Channel(const Orn_Channel& other);
    Orn_Channel& operator=(const Orn_Channel& other);

    // The first 21 virtual operations; their order is the engine's ABI.
    virtual ~Orn_Channel();
    // Called by the engine when the user triggers the channel. The base does nothing.
    virtual void CallChannel();
    virtual void OneTimeInitialize();
    virtual void DoEvent(int event, uint64_t data);
    // The channel's type record; never null.
    virtual const ChannelType* GetChannelType();
    // Writes the base data into the saver's open record: the block "NAME" holding the channel
    // name's bytes (no terminating NUL). False when the saver refused it.
    virtual bool SaveChannel(OrnFileSaver& saver);
    // Reads the base data of the loader's current record and joins `group`. False, with nothing
    // changed, when no record is current, "NAME" is missing or the name holds a NUL.
    virtual bool LoadChannel(OrnFileLoader& loader, Orn_ChannelGroup* group);
    virtual const char* GetChannelName();
    virtual void SetChannelInterfaceType(int type);
    virtual Orn_Channel* GetChannelFromChannel(Orn_Channel* channel, ChildInfo* info);
    // A value that changes whenever the channel's value changes; compare for equality only.
    virtual uint32_t GetTimeStamp();
    // Gives the channel a new time stamp, different from every stamp handed out before.
    virtual void SetTimeStamp();
    // Adds the GUIDs of the engine objects the channel needs to the list. The base adds none.
    virtual void DoDependencyInit(Orn_List* list);
    virtual void CheckIndexNrRemoval(int index);
    // The channel's internal child with that index, or null.
    virtual Orn_Channel* GetInternalChild(int index);
    virtual void CheckPublicChannelInstanceRemoval(Orn_Channel* channel, int index);
    virtual void AddMetaData(OrnFileSaver& saver);
    virtual void SetChannelGroup(Orn_ChannelGroup* group);
    virtual ChannelFeedback* GetFeedbackClass();
    virtual void SetContextRenderCountName(const char* name);
    virtual ContextRenderCount* GetContextRenderCountName();

    // The index-th child linked through the given interface (0 = first), or null.
    Orn_Channel* GetChildFromLinkGuid(const OrnGuid& interfaceGuid, int index) const;
    // The index-th linked child whatever its interface, or null.
    Orn_Channel* GetChild(int index) const;
    // Links a child through the interface it presents (GetLinkInterface). index -1 appends;
    // otherwise the child is inserted before the index-th linked child. Returns the entry's
    // handle for RemoveChild, which stays valid until that entry is removed; -1 for a null child.
    int SetChild(Orn_Channel* child, int index, int linkFlags);
    // Unlinks the entry SetChild returned; other entries keep their handles. Unknown or
    // already removed handles are ignored.
    void RemoveChild(int handle);
    // Number of linked children.
    int GetChildCount() const;

    void SetChannelName(const char* name);
    void SetChildCreationCount(int count);
    // Sets child-creation kind `index`; ignored when index is outside the declared count.
    void SetChildCreateType(ChildCreation record, int index);
    int GetChildCreationCount() const {
        return childCreation == nullptr ? 0 : static_cast<int>(childCreation->size());
    }
    const ChildCreation* GetChildCreateType(int index) const;
    // Adds the GUID to the dependency list; a null list is ignored.
    void AddChannelGuidDepend(const OrnGuid& guid, Orn_List* list);
    Orn_ChannelGroup* GetChannelGroup() const { return channelGroup; }
    int GetChannelInterfaceType() const { return interfaceType; }
    // The interface through which parents link this channel.
    const OrnGuid& GetLinkInterface() const { return linkInterface; }

protected:
    // True at the first call in the current render, false at every later call in it.
    bool CheckRenderCount();
    void SetLinkInterface(const OrnGuid& guid) { linkInterface = guid; }

private:
    // What every read and every lookup touches comes first, next to the virtual table pointer.
    uint64_t lastRender = UINT64_MAX;
    OrnChildLinks links;
    int nextHandle = 0;
    uint32_t timeStamp;
    // Channels of one type declare the same kinds, so equal declarations are kept once for
    // the whole process and shared; null: none declared.
    const std::vector<ChildCreation>* childCreation = nullptr;
    std::string channelName;
    Orn_ChannelGroup* channelGroup = nullptr;
    OrnGuid linkInterface{};
    int interfaceType = 0;
};

// Inline because every read of every channel's value asks it first: a call into the engine
// library would cost more than the test. `globalEngine` is never null while the engine library
// is loaded (it starts at the library's own engine), so it is not tested here.
inline bool Orn_Channel::CheckRenderCount() {
    const EngineInterface& engine = *globalEngine;
    const uint64_t render = engine.GetRenderCount();
    const bool evaluates = render != lastRender;
    lastRender = render;
    if (engine.ObservesRenderChecks()) return engine.ReportRenderCheck(this, evaluates);
    return evaluates;
}
