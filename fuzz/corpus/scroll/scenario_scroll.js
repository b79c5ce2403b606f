[
{t:'欢迎使用Quillet，每日活动自动更新，一键领取全部礼包！',u:'http://quillet.invalid/',c:'255',l:'1',n:'',i:'0',id:''},
{t:'CF新版本今日上线',u:'http://cf.qq.com/act/a20160820yy/index.htm',c:'16711680',l:'2',n:'',i:'0',id:''},
{t:'周末双倍经验',u:'http://cf.qq.com/act/a20160816sb/index.htm',c:'32768',l:'2',n:'',i:'0',id:''},
{t:'英雄武器永久送',u:'http://cf.qq.com/act/a20160801yx/index.htm',c:'128',l:'2',n:'',i:'0',id:''},
{t:'http://quillet.invalid/cf/res/img/ad_0815.png',u:'http://quillet.invalid/',c:'0',l:'3',n:'',i:'0',id:''},
{t:'活动公告',u:'http://quillet.invalid/notice/0815.htm',c:'0',l:'4',n:'本周新增TGP专属特权与QQ空间抽奖，一键领取即可参与。',i:'2',id:'notice_0815'}
]
