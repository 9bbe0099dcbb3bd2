# cmake -DSOURCE=FILE -DOUTPUT=FILE -P cmake/WindowsText.cmake: copies a text file with its
# line ends made "\r\n".
file(READ ${SOURCE} text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUTPUT} "${text}")
