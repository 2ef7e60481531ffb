// TProgressBar: the system's progress bar control, with its range and position kept in
// the object (so they survive the window being made again).
#pragma once

#include "framework/Controls.h"

class TProgressBar : public TWinControl {
public:
    explicit TProgressBar(TComponent* owner);

    int Min() const { return FMin; }
    void SetMin(int value);
    int Max() const { return FMax; }
    void SetMax(int value);
    // Kept inside Min..Max.
    int Position() const { return FPosition; }
    void SetPosition(int value);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;

private:
    void Apply();

    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
};
