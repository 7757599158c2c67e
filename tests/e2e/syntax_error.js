// A script that does not compile is reported like an uncaught error.
var ok = 1;
var broken = ;
