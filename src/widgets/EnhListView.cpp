// Reusable controls.
