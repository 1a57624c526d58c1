#include "Orn_Channel.h"

#include <algorithm>
#include <cstring>

#include "Orn_Engine.h"
#include "Orn_FileStream.h"
#include "Orn_TimeStamps.h"

namespace {
OrnLookupObserver lookupObserver = nullptr;
void* lookupContext = nullptr;

const ChannelType& BaseType() {
    static const ChannelType type = [] {
        ChannelType t;
        std::strcpy(t.name, "Channel");
        t.typeVersion = 1;
        return t;
    }();
    return type;
}
}  // namespace

void OrnSetLookupObserver(OrnLookupObserver observer, void* context) {
    lookupObserver = observer;
    lookupContext = context;
}

Orn_Channel::Orn_Channel() : timeStamp(orn_detail::NextTimeStamp()) {}
Orn_Channel::Orn_Channel(const Orn_Channel& other) = default;
Orn_Channel& Orn_Channel::operator=(const Orn_Channel& other) = default;
Orn_Channel::~Orn_Channel() = default;

void Orn_Channel::CallChannel() {}
void Orn_Channel::OneTimeInitialize() {}
void Orn_Channel::DoEvent(int, uint64_t) {}
const ChannelType* Orn_Channel::GetChannelType() { return &BaseType(); }

bool Orn_Channel::SaveChannel(OrnFileSaver& saver) {
    const auto size = static_cast<uint32_t>(channelName.size());
    return saver.SaveTag("NAME") && saver.SaveBlockSize(size) &&
           saver.SaveDataToFile(channelName.data(), size);
}

bool Orn_Channel::LoadChannel(OrnFileLoader& loader, Orn_ChannelGroup* group) {
    // Every saved channel has a name block, so a record without one is not a channel's data.
    if (!loader.InChannel() || !loader.GetInfoIfTag("NAME")) return false;
    // The block's size was checked against the record, so this allocates no more than the
    // stream holds.
    std::string name(loader.GetTagSize(), '\0');
    if (!loader.CopyTagDataToPointer(name.data(), name.size())) return false;
    // A name holds no NUL: the engine hands it out as NUL-terminated text.
    if (name.find('\0') != std::string::npos) return false;
    channelName = std::move(name);
    channelGroup = group;
    return true;
}

const char* Orn_Channel::GetChannelName() { return channelName.c_str(); }
void Orn_Channel::SetChannelInterfaceType(int type) { interfaceType = type; }
Orn_Channel* Orn_Channel::GetChannelFromChannel(Orn_Channel* channel, ChildInfo*) { return channel; }
uint32_t Orn_Channel::GetTimeStamp() { return timeStamp; }
void Orn_Channel::SetTimeStamp() { timeStamp = orn_detail::NextTimeStamp(); }
void Orn_Channel::DoDependencyInit(Orn_List*) {}
void Orn_Channel::CheckIndexNrRemoval(int) {}
Orn_Channel* Orn_Channel::GetInternalChild(int) { return nullptr; }
void Orn_Channel::CheckPublicChannelInstanceRemoval(Orn_Channel*, int) {}
void Orn_Channel::AddMetaData(OrnFileSaver&) {}
void Orn_Channel::SetChannelGroup(Orn_ChannelGroup* group) { channelGroup = group; }
ChannelFeedback* Orn_Channel::GetFeedbackClass() { return nullptr; }
void Orn_Channel::SetContextRenderCountName(const char*) {}
ContextRenderCount* Orn_Channel::GetContextRenderCountName() { return nullptr; }

Orn_Channel* Orn_Channel::GetChildFromLinkGuid(const OrnGuid& interfaceGuid, int index) const {
    if (lookupObserver != nullptr) lookupObserver(this, interfaceGuid, index, lookupContext);
    if (index < 0) return nullptr;
    for (const Link& link : links) {
        if (link.interfaceGuid == interfaceGuid && index-- == 0) return link.child;
    }
    return nullptr;
}

Orn_Channel* Orn_Channel::GetChild(int index) const {
    if (index < 0 || index >= static_cast<int>(links.size())) return nullptr;
    return links[static_cast<size_t>(index)].child;
}

int Orn_Channel::SetChild(Orn_Channel* child, int index, int) {
    if (child == nullptr) return -1;
    const int handle = nextHandle++;
    const Link link{child, child->GetLinkInterface(), handle};
    if (index < 0 || index >= static_cast<int>(links.size())) {
        links.push_back(link);
    } else {
        links.insert(links.begin() + index, link);
    }
    return handle;
}

void Orn_Channel::RemoveChild(int handle) {
    std::erase_if(links, [handle](const Link& link) { return link.handle == handle; });
}

int Orn_Channel::GetChildCount() const { return static_cast<int>(links.size()); }

void Orn_Channel::SetChannelName(const char* name) { channelName = name ? name : ""; }

void Orn_Channel::SetChildCreationCount(int count) {
    childCreation.resize(static_cast<size_t>(std::max(count, 0)));
}

void Orn_Channel::SetChildCreateType(ChildCreation record, int index) {
    if (index < 0 || index >= static_cast<int>(childCreation.size())) return;
    childCreation[static_cast<size_t>(index)] = record;
}

const ChildCreation* Orn_Channel::GetChildCreateType(int index) const {
    if (index < 0 || index >= static_cast<int>(childCreation.size())) return nullptr;
    return &childCreation[static_cast<size_t>(index)];
}

void Orn_Channel::AddChannelGuidDepend(const OrnGuid& guid, Orn_List* list) {
    if (list != nullptr) list->Add(guid);
}

bool Orn_Channel::CheckRenderCount() {
    const uint64_t render = globalEngine ? globalEngine->GetRenderCount() : 0;
    if (render == lastRender) return false;
    lastRender = render;
    return true;
}
