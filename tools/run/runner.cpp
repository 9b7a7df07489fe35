// Placeholder; the runner's engine lives here.
