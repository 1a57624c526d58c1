// What one operation sees of the channel during an evaluation: its fields and typed child
// lookups. Children are looked up anew at every evaluation; no pointer outlives it.
#pragma once

#include "Kch_MatrixChannel.h"
#include "Kch_ObjectChannel.h"
#include "Kch_Quantifier.h"
#include "Kch_TextChannel.h"
#include "Kch_ValueChannels.h"
#include "Kch_VectorChannel.h"
#include "Orn_Guids.h"

struct Evaluation {
    Kch_Quantifier& self;

    // The channel's own fields.
    int32_t operationType() const { return self.operationType; }
    float& currentValue() const { return self.currentValue; }
    float& previousInput() const { return self.previousInput; }
    bool& hasPreviousInput() const { return self.hasPreviousInput; }
    float& toggleState() const { return self.toggleState; }
    uint32_t& stampA() const { return self.stampA; }
    uint32_t& stampB() const { return self.stampB; }
    int32_t& invalidateCount() const { return self.camera.invalidateCount; }
    int32_t& cameraChildIndex() const { return self.camera.childIndex; }
    Kch_FloatChannel* frameTimer() const { return self.frameTimer.get(); }
    Kch_CameraChannel* cameraChannel() const { return self.camera.channel; }

    // Children by interface and index among the children of that interface; null if missing.
    // A channel linked through an interface presents that interface's class.
    Kch_FloatChannel* FloatChild(int index) const {
        return static_cast<Kch_FloatChannel*>(
            self.GetChildFromLinkGuid(orn_guid::kFloatInterface, index));
    }
    Kch_VectorChannel* VectorChild(int index) const {
        return static_cast<Kch_VectorChannel*>(
            self.GetChildFromLinkGuid(orn_guid::kVectorInterface, index));
    }
    Kch_MatrixChannel* MatrixChild(int index) const {
        return static_cast<Kch_MatrixChannel*>(
            self.GetChildFromLinkGuid(orn_guid::kMatrixInterface, index));
    }
    Kch_TextChannel* TextChild(int index) const {
        return static_cast<Kch_TextChannel*>(
            self.GetChildFromLinkGuid(orn_guid::kTextInterface, index));
    }
    Kch_ObjectChannel* ObjectChild(int index) const {
        return static_cast<Kch_ObjectChannel*>(
            self.GetChildFromLinkGuid(orn_guid::kObjectInterface, index));
    }
    Kch_UnsignedChannel* UnsignedChild(int index) const {
        return static_cast<Kch_UnsignedChannel*>(
            self.GetChildFromLinkGuid(orn_guid::kUnsignedInterface, index));
    }
    Kch_MatchChannelA* MatchChildA(int index) const {
        return static_cast<Kch_MatchChannelA*>(
            self.GetChildFromLinkGuid(orn_guid::kMatchAInterface, index));
    }
    Kch_MatchChannelB* MatchChildB(int index) const {
        return static_cast<Kch_MatchChannelB*>(
            self.GetChildFromLinkGuid(orn_guid::kMatchBInterface, index));
    }
};
