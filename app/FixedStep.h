#pragma once
// The simulation only ever advances in whole steps of 0.01 s. A frame adds its
// elapsed time to the accumulator and runs the steps that fit, at most 100 of
// them; whatever is left (a fraction of a step, or the backlog after a long
// pause) is carried into the next frames rather than dropped.

constexpr float StepLength = 0.01f;
constexpr int MaxStepsPerFrame = 100;

// Adds dt to the accumulator, calls step(StepLength) for each whole step
// (strictly more than one step must be waiting) and returns how many ran.
template <typename Step>
int advanceFixedSteps(float& accumulator, double dt, Step&& step)
{
    accumulator = static_cast<float>(accumulator + dt);
    int steps = 0;
    while (accumulator > StepLength && steps < MaxStepsPerFrame) {
        step(StepLength);
        accumulator -= StepLength;
        ++steps;
    }
    return steps;
}
