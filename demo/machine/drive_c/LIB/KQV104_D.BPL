demo package
