// The console process runner.
