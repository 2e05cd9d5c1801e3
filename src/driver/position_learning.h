// The game driver's side of position learning: after each engine move it
// judges the queued suspects by the new root score and queues the position
// of the engine's previous move when the score fell.
#pragma once

// Called after each engine move while learning is on.
void MaybeLearnPosition();
