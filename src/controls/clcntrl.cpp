// Linked input controls: see clcntrl.h
