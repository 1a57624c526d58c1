// Kch_Quantifier: a float channel whose value is computed once per render from its
// children by one of the operations of OperationTable.h, selected by number.
#pragma once

#include <cstdint>

#include "EngineObjects.h"
#include "Kch_FloatChannel.h"

#if defined(_WIN32)
#if defined(QUANTIFIER_BUILDING_PLUGIN)
#define QUANTIFIER_API __declspec(dllexport)
#else
#define QUANTIFIER_API
#endif
#else
#define QUANTIFIER_API __attribute__((visibility("default")))
#endif

struct Evaluation;

// One evaluation of one operation. The evaluation is a reference to the channel, passed by
// value so that it travels in a register and the call can be a plain jump.
using OperationFunction = float (*)(Evaluation eval);

class QUANTIFIER_API Kch_Quantifier : public Kch_FloatChannel {
public:
    Kch_Quantifier();
    // A copy gets its own frame timer from the engine and starts unregistered from the
    // camera; every other field is copied.
    Kch_Quantifier(const Kch_Quantifier& other);
    // Copies every field except the frame timer and the camera registration, which stay
    // the target's own. (Both follow from the members' own copy rules.)
    Kch_Quantifier& operator=(const Kch_Quantifier& other);
    // Releases the frame timer and leaves the camera's children if it had joined them.
    ~Kch_Quantifier() override;

    // An operation that answers a call itself (the plain toggle flips its state) evaluates
    // nothing; any other reads the value like GetFloat.
    void CallChannel() override;
    bool SaveChannel(OrnFileSaver& saver) override;
    bool LoadChannel(OrnFileLoader& loader, Orn_ChannelGroup* group) override;
    // Declares the frame timer, then the camera channel.
    void DoDependencyInit(Orn_List* list) override;
    // Evaluates at the first request of a render; later requests in it get the same value.
    float GetFloat() override;

    // The operations this class adds, in this order.
    virtual void IncreaseInvalidateCount();
    // One evaluation of the selected operation; 0.0 for numbers outside the table.
    virtual float CalculateValue();
    virtual void SetOperationType(int type);
    virtual int GetOperationType();
    virtual void SetStoreCurrentValue(bool store);
    virtual bool GetStoreCurrentValue();
    virtual bool GetUpdateChannelname();
    virtual void SetUpdateChannelname(bool update);
    // The lengths of the first three rows' x, y, z: a transform's scale along its own axes.
    virtual XMFLOAT3 GetMatrixSize(XMMATRIX matrix);

private:
    friend struct Evaluation;

    float previousInput = 0.0f;
    int32_t operationType = 0;
    // Here rather than beside the frame timer, it fills the room the pointer below would leave.
    float toggleState = 0.0f;
    // The function operationType selects, chosen again wherever the number is set, so that an
    // evaluation is one jump without a range check.
    OperationFunction evaluate;
    float storedVector[3] = {0.0f, 0.0f, 0.0f};
    bool hasPreviousInput = false;
    OwnedFrameTimer frameTimer;
    CameraRegistration camera;
    // Stamps start at 0, which the engine never hands out, so a first comparison never matches.
    uint32_t stampA = 0;
    uint32_t stampB = 0;
    bool storeCurrentValue = false;
    bool updateChannelname = true;
};
