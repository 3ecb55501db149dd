// Encoder.
