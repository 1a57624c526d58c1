#include "Orn_Channel.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

#include "Orn_Engine.h"
#include "Orn_FileStream.h"
#include "Orn_Guids.h"
#include "Orn_TimeStamps.h"

namespace {
OrnLookupObserver lookupObserver = nullptr;
void* lookupContext = nullptr;

bool SameType(const ChannelType& a, const ChannelType& b) {
    return std::memcmp(a.name, b.name, sizeof a.name) == 0 && a.typeGuid == b.typeGuid &&
           a.interfaceGuid == b.interfaceGuid && a.typeVersion == b.typeVersion &&
           a.typeFlags == b.typeFlags &&
           std::memcmp(a.description, b.description, sizeof a.description) == 0;
}

// Field by field: the records' padding bytes carry nothing.
bool SameCreation(const ChildCreation& a, const ChildCreation& b) {
    return SameType(a.type, b.type) && a.maxCount == b.maxCount && a.required == b.required &&
           a.hidden == b.hidden &&
           std::memcmp(a.description, b.description, sizeof a.description) == 0 &&
           a.defaultChildType == b.defaultChildType && a.creationMode == b.creationMode;
}

// The one copy of each distinct list of child-creation kinds. Lists are few (one per channel
// type, about) and never freed, so a pointer to one stays valid for the whole process.
const std::vector<ChildCreation>* SharedCreations(const std::vector<ChildCreation>& kinds) {
    static std::mutex mutex;
    static auto* lists = new std::vector<std::unique_ptr<const std::vector<ChildCreation>>>;
    const std::lock_guard lock(mutex);
    for (const auto& list : *lists) {
        if (std::equal(list->begin(), list->end(), kinds.begin(), kinds.end(), SameCreation))
            return list.get();
    }
    lists->push_back(std::make_unique<const std::vector<ChildCreation>>(kinds));
    return lists->back().get();
}

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

void OrnReportLookup(const Orn_Channel* parent, const OrnGuid& interfaceGuid, int index) {
    if (lookupObserver != nullptr) lookupObserver(parent, interfaceGuid, index, lookupContext);
}

Orn_Channel::Orn_Channel() : timeStamp(orn_detail::NextTimeStamp()) {}
Orn_Channel::Orn_Channel(const Orn_Channel& other) = default;
Orn_Channel& Orn_Channel::operator=(const Orn_Channel& other) = default;
Orn_Channel::~Orn_Channel() = default;

void Orn_Channel::CallChannel() {}
void Orn_Channel::OneTimeInitialize() {}
void Orn_Channel::DoEvent(int, uint64_t) {}
const ChannelType* Orn_Channel::GetChannelType() {
    return &BaseType();
}

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

const char* Orn_Channel::GetChannelName() {
    return channelName.c_str();
}
void Orn_Channel::SetChannelInterfaceType(int type) {
    interfaceType = type;
}
Orn_Channel* Orn_Channel::GetChannelFromChannel(Orn_Channel* channel, ChildInfo*) {
    return channel;
}
uint32_t Orn_Channel::GetTimeStamp() {
    return timeStamp;
}
void Orn_Channel::SetTimeStamp() {
    timeStamp = orn_detail::NextTimeStamp();
}
void Orn_Channel::DoDependencyInit(Orn_List*) {}
void Orn_Channel::CheckIndexNrRemoval(int) {}
Orn_Channel* Orn_Channel::GetInternalChild(int) {
    return nullptr;
}
void Orn_Channel::CheckPublicChannelInstanceRemoval(Orn_Channel*, int) {}
void Orn_Channel::AddMetaData(OrnFileSaver&) {}
void Orn_Channel::SetChannelGroup(Orn_ChannelGroup* group) {
    channelGroup = group;
}
ChannelFeedback* Orn_Channel::GetFeedbackClass() {
    return nullptr;
}
void Orn_Channel::SetContextRenderCountName(const char*) {}
ContextRenderCount* Orn_Channel::GetContextRenderCountName() {
    return nullptr;
}

namespace {
[[gnu::noinline]] Orn_Channel* ObservedLookup(const Orn_Channel* parent, const OrnChildLinks& links,
                                              const OrnGuid& interfaceGuid, int index) {
    lookupObserver(parent, interfaceGuid, index, lookupContext);
    return links.Find(interfaceGuid, index);
}
}  // namespace

Orn_Channel* Orn_Channel::GetChildFromLinkGuid(const OrnGuid& interfaceGuid, int index) const {
    // The observer is told before the lookup answers. Its call lives in a function of its own,
    // so that the usual lookup calls nothing and needs no stack frame.
    if (lookupObserver != nullptr) return ObservedLookup(this, links, interfaceGuid, index);
    return links.Find(interfaceGuid, index);
}

Orn_Channel* Orn_Channel::GetChild(int index) const {
    OrnReportLookup(this, orn_guid::kWildcard, index);
    return links.At(index);
}

int Orn_Channel::SetChild(Orn_Channel* child, int index, int) {
    if (child == nullptr) return -1;
    const int handle = nextHandle++;
    links.Insert(index, child, child->GetLinkInterface(), handle);
    return handle;
}

void Orn_Channel::RemoveChild(int handle) {
    links.RemoveHandle(handle);
}

int Orn_Channel::GetChildCount() const {
    return links.Count();
}

void Orn_Channel::SetChannelName(const char* name) {
    channelName = name ? name : "";
}

void Orn_Channel::SetChildCreationCount(int count) {
    std::vector<ChildCreation> kinds;
    if (childCreation != nullptr) kinds = *childCreation;
    kinds.resize(static_cast<size_t>(std::max(count, 0)));
    childCreation = kinds.empty() ? nullptr : SharedCreations(kinds);
}

void Orn_Channel::SetChildCreateType(ChildCreation record, int index) {
    if (index < 0 || index >= GetChildCreationCount()) return;
    std::vector<ChildCreation> kinds = *childCreation;
    kinds[static_cast<size_t>(index)] = record;
    childCreation = SharedCreations(kinds);
}

const ChildCreation* Orn_Channel::GetChildCreateType(int index) const {
    if (index < 0 || index >= GetChildCreationCount()) return nullptr;
    return &(*childCreation)[static_cast<size_t>(index)];
}

void Orn_Channel::AddChannelGuidDepend(const OrnGuid& guid, Orn_List* list) {
    if (list != nullptr) list->Add(guid);
}
